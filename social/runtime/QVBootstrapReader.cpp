// The bootstrap answer read in pieces: its offline part into its resource,
// the rest into an element tree.
#include "social/runtime/QVBootstrapReader.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

using platform::Ref;

namespace {

constexpr const char* kOffline = "offline";

} // namespace

QVBootstrapReader::QVBootstrapReader(const platform::Bytes& answer, QVResourceNameMap names)
    : bytes_(answer), names_(std::move(names)), parser_(*this)
{
    if (bytes_.empty()) {
        over_ = true;
        error_ = "empty document";
    } else if (!parser_.begin()) {
        over_ = true;
        error_ = parser_.error();
    }
}

QVBootstrapReader::~QVBootstrapReader() = default;

bool QVBootstrapReader::readOn(double budgetSeconds)
{
    QVTurnBudget budget(budgetSeconds);
    while (!over_) {
        const size_t n = std::min(kPiece, bytes_.size() - offset_);
        const bool last = offset_ + n == bytes_.size();
        const bool ok = parser_.feed(bytes_.data() + offset_, n, last);
        offset_ += n;
        if (!ok) {
            over_ = true;
            error_ = parser_.error();
            offline_ = nullptr;
        } else if (last) {
            finish();
        } else if (budget.spent()) {
            break;
        }
    }
    return over_;
}

void QVBootstrapReader::finish()
{
    over_ = true;
    readWhole_ = true;
    answer_ = QVBootstrap::fromDocument(tree_.finish(), std::move(offline_));
    if (!answer_)
        error_ = "the answer is no bootstrap answer";
}

void QVBootstrapReader::startElement(const char* name, const char** attributes)
{
    ++depth_;
    if (offlineReader_) {
        offlineReader_->handler().startElement(name, attributes);
        return;
    }
    // The top element's offline child, the first one, is read into its resource.
    if (depth_ == 2 && !offline_ && std::strcmp(name, kOffline) == 0) {
        if (const QVResourceClass* cls = names_.find(kOffline)) {
            offline_ = cls->create();
            offlineReader_ = std::make_unique<QVResourceEventReader>(*offline_, names_);
            offlineDepth_ = depth_;
            offlineReader_->handler().startElement(name, attributes);
            return;
        }
    }
    tree_.startElement(name, attributes);
}

void QVBootstrapReader::characters(const char* text, size_t length)
{
    if (offlineReader_)
        offlineReader_->handler().characters(text, length);
    else
        tree_.characters(text, length);
}

void QVBootstrapReader::endElement(const char* name)
{
    if (offlineReader_) {
        offlineReader_->handler().endElement(name);
        if (depth_-- == offlineDepth_)
            offlineReader_.reset();
        return;
    }
    --depth_;
    tree_.endElement();
}

} // namespace quorvel
