// QVBootstrapReader: reads a bootstrap answer a piece at a time, so that the
// answer of a game with thousands of leaderboards never holds the main loop
// for long. Its small part (the settings, the player, the game's profile)
// becomes an element tree, as QVBootstrap reads it; its offline part (every
// achievement and leaderboard definition, element "offline") is read straight
// into the resource the name map gives that name, without a tree. Without
// such a class in the map the offline part goes into the tree too.
#pragma once

#include "platform/foundation/SaxReader.h"
#include "platform/foundation/Value.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVTurns.h"

#include <memory>
#include <string>

namespace quorvel {

class QVBootstrapReader final : private platform::SaxHandler {
public:
    // `answer` must stay as it is until the reading is over.
    QVBootstrapReader(const platform::Bytes& answer, QVResourceNameMap names);
    ~QVBootstrapReader() override;
    QVBootstrapReader(const QVBootstrapReader&) = delete;
    QVBootstrapReader& operator=(const QVBootstrapReader&) = delete;

    // Reads on until the answer is read or the turn's budget (seconds) is
    // spent, at least one piece; answers whether the reading is over (done or failed).
    bool readOn(double budgetSeconds = kQVTurnBudget);
    bool isOver() const { return over_; }
    // The answer once it is read; null while reading, when it is not
    // well-formed or when it is no bootstrap answer (error() says why).
    platform::Ref<QVBootstrap> answer() const { return answer_; }
    const std::string& error() const { return error_; }
    // The answer was read to its end as a document (bootstrap answer or not).
    bool wasReadWhole() const { return readWhole_; }

    // Bytes fed to the parser at a time, between looks at the budget.
    static constexpr size_t kPiece = 16 * 1024;

private:
    void startElement(const char* name, const char** attributes) override;
    void characters(const char* text, size_t length) override;
    void endElement(const char* name) override;
    void finish();

    const platform::Bytes& bytes_;
    QVResourceNameMap names_;
    platform::SaxReader parser_;
    size_t offset_ { 0 };
    bool over_ { false };
    bool readWhole_ { false };
    std::string error_;
    platform::Ref<QVBootstrap> answer_;
    QVXmlDocumentBuilder tree_;
    int depth_ { 0 };
    // The offline part, while it is read: its resource and the depth its element opened at.
    platform::Ref<QVResource> offline_;
    std::unique_ptr<QVResourceEventReader> offlineReader_;
    int offlineDepth_ { 0 };
};

} // namespace quorvel
