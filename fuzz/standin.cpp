// Fuzz target: what the stand-in service reads from its clients — STOMP
// frames off the presence channel, HTTP requests off a connection (fed in
// two pieces), and the forms in their bodies: form-encoded pairs, multipart
// parts, OAuth headers and the storage host's signed forms.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"

#include <string>

using namespace standin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string frames = input;
    std::string refusal;
    for (auto& f : takeStompFrames(frames, &refusal))
        (void)parseFormEncoded(f.body);

    // The first line is a Content-Type, the rest a body.
    size_t nl = input.find('\n');
    std::string type = input.substr(0, nl);
    std::string body = nl == std::string::npos ? std::string() : input.substr(nl + 1);
    if (auto parts = parseMultipart(body, type)) {
        std::string why;
        (void)StorageHostStandIn::checkUploadForm(*parts, &why);
    }
    (void)parseFormEncoded(input);
    (void)parseAuthorizationHeader(input);

    http::RequestReader reader([](const http::Request&) { return size_t(4096); });
    std::string stream = input.substr(0, size / 2);
    std::string rest = input.substr(size / 2);
    for (int piece = 0; piece < 2; ++piece) {
        for (int requests = 0; requests < 64; ++requests) {
            auto step = reader.take(stream);
            if (step != http::RequestReader::Step::Done)
                break;
            (void)reader.request().path();
            reader.reset();
        }
        stream += rest;
        rest.clear();
    }
    return 0;
}
