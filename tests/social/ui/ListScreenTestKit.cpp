// Helpers of the list-screen tests.
#include "ListScreenTestKit.h"


namespace list_testing {

ScopedTestCells::ScopedTestCells()
    : cell_("QVListRowCell", &QVListRowCell::qvCreateInstance)
{
}

std::string usersXml(const std::vector<std::string>& names, int firstId, const std::string& header)
{
    std::string xml = "<resources>";
    int id = firstId;
    for (const auto& name : names)
        xml += "<user><id>" + std::to_string(id++) + "</id><name>" + name + "</name></user>";
    xml += header + "</resources>";
    return xml;
}

std::string paginationHeader(int currentPage, int totalPages, int perPage, int totalObjects, int currentOffset)
{
    return "<pagination_header><current_offset>" + std::to_string(currentOffset) + "</current_offset><current_page>"
        + std::to_string(currentPage) + "</current_page><total_pages>" + std::to_string(totalPages)
        + "</total_pages><per_page>" + std::to_string(perPage) + "</per_page><total_objects>"
        + std::to_string(totalObjects) + "</total_objects></pagination_header>";
}

std::vector<std::string> rowTexts(platform::ui::TableView* table, int section)
{
    std::vector<std::string> texts;
    for (int row = 0; row < table->numberOfRowsInSection(section); ++row) {
        auto path = platform::ui::IndexPath::forRow(row, section);
        table->scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        auto* cell = table->cellForRowAtIndexPath(path);
        texts.push_back(cell ? cell->textLabel()->text() : "?");
    }
    return texts;
}

} // namespace list_testing
