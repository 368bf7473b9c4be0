// The load-more row: its labels, its spinner and the paging state it shows.
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

#include "social/runtime/QVTableSectionDescription.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;

QV_REGISTER_CLASS(QVTableSequenceControllerLoadMoreCell);

namespace {

void setLabelHeight(Label* label, float height)
{
    if (!label)
        return;
    platform::Rect frame = label->frame();
    frame.size.height = height;
    label->setFrame(frame);
}

} // namespace

bool QVTableSequenceControllerLoadMoreCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    setFrame(platform::Rect(0, 0, 320, kHeight));
    backgroundImageView_ = ImageView::imageViewWithImage(nullptr);
    backgroundImageView_->setFrame(bounds());
    backgroundImageView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    setBackgroundView(backgroundImageView_.get());
    setBackgroundColor(Color::white(0.93f));

    auto indicator = ActivityIndicator::withStyle(ActivityIndicator::Style::Gray);
    indicator->setTag(1);
    indicator->setFrame(platform::Rect(20, 15, 20, 20));
    indicator->setAutoresizingMask(FlexibleTopMargin | FlexibleBottomMargin);
    contentView()->addSubview(indicator.get());
    // The texts sit in the middle of the row at any width (a tablet's rows are wider and taller).
    const auto centred = FlexibleLeftMargin | FlexibleRightMargin | FlexibleTopMargin | FlexibleBottomMargin;
    auto main = Label::labelWithFrame(platform::Rect(35, 8, 250, kMainLabelHeight));
    main->setAutoresizingMask(centred);
    main->setTag(2);
    main->setTextAlignment(platform::TextAlignment::Center);
    main->setFont(platform::Font::boldSystemFont(14).get());
    main->setBackgroundColor(std::nullopt);
    contentView()->addSubview(main.get());
    auto second = Label::labelWithFrame(platform::Rect(35, 27, 250, 15));
    second->setAutoresizingMask(centred);
    second->setTag(3);
    second->setTextAlignment(platform::TextAlignment::Center);
    second->setFont(platform::Font::systemFont(12).get());
    second->setTextColor(Color::white(0.4f));
    second->setBackgroundColor(std::nullopt);
    contentView()->addSubview(second.get());
    return true;
}

ActivityIndicator* QVTableSequenceControllerLoadMoreCell::activityIndicator() const
{
    return dynamic_cast<ActivityIndicator*>(contentView()->viewWithTag(1));
}

Label* QVTableSequenceControllerLoadMoreCell::mainLabel() const
{
    return dynamic_cast<Label*>(contentView()->viewWithTag(2));
}

Label* QVTableSequenceControllerLoadMoreCell::secondLabel() const
{
    return dynamic_cast<Label*>(contentView()->viewWithTag(3));
}

void QVTableSequenceControllerLoadMoreCell::onResourceChanged(Object* resource)
{
    auto* section = dynamic_cast<QVTableSectionDescription*>(resource);
    QVPaginatedSeries* page = section ? section->page() : nullptr;
    lastLoadedPageHeader_ = page ? page->header() : nullptr;
    loadedCount_ = page ? page->count() : 0;
    setIsLoading(false);
}

void QVTableSequenceControllerLoadMoreCell::setIsLoading(bool loading)
{
    ActivityIndicator* indicator = activityIndicator();
    Label* main = mainLabel();
    Label* second = secondLabel();
    if (loading) {
        if (indicator)
            indicator->startAnimating();
        if (main)
            main->setText("Loading");
        setLabelHeight(main, kLoadingLabelHeight);
        if (second)
            second->setText("");
        return;
    }
    if (indicator)
        indicator->stopAnimating();
    setLabelHeight(main, kMainLabelHeight);
    // Without a page header the loaded objects are all there is.
    const QVPaginatedSeriesHeader* header = lastLoadedPageHeader_.get();
    const unsigned total = header ? header->totalObjects : static_cast<unsigned>(loadedCount_);
    unsigned shown = header ? header->currentPage * header->perPage : total;
    std::string mainText;
    if (!header || header->isLastPageLoaded()) {
        shown = total;
        mainText = "No More To Load";
        setSelectionStyle(CellSelectionStyle::None);
    } else {
        unsigned more = header->perPage;
        if (header->currentPage == header->totalPages - 1)
            more = total > shown ? total - shown : 0;
        mainText = "Load " + std::to_string(more) + " More";
        setSelectionStyle(CellSelectionStyle::Blue);
    }
    if (main)
        main->setText(mainText);
    if (second)
        second->setText("Showing " + std::to_string(shown) + " of " + std::to_string(total));
    if (TableView* table = tableView())
        if (auto path = table->indexPathForCell(this))
            table->deselectRowAtIndexPath(*path, true);
}

} // namespace quorvel
