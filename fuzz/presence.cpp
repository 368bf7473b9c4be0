// Fuzz target: what the presence channel and the bootstrap read from the
// network — STOMP frames off a byte stream, and bodies as bootstrap answers.
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVStompFrame.h"
#include "social/runtime/QVXmlDocument.h"

#include <string>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string buffer(reinterpret_cast<const char*>(data), size);
    QVStompFrame frame;
    int frames = 0;
    while (QVStompTakeFrame(buffer, frame) == QVStompTake::Frame && ++frames < 1000) {
        if (auto answer = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(frame.body)))
            (void)answer->userDistanceUnit();
    }
    (void)QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithData(data, size));
    return 0;
}
