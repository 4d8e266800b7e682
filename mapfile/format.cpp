#include "mapfile/mapfile.hpp"

#include <algorithm>
#include <charconv>

namespace mapfile {

std::string formatMapText(const EditorMap& map, const std::function<void(int16_t row)>& onRow) {
    const int last = std::min<int>(map.lastRow, kEditorRows - 1);
    std::string text;
    if (last < 0) return text;
    text.reserve(static_cast<size_t>(last + 1) * kEditorColumns * 4);
    char buf[8];
    for (int row = 0; row <= last; ++row) {
        if (onRow) onRow(static_cast<int16_t>(row));
        for (int column = 0; column < kEditorColumns; ++column) {
            // Plain decimal is exactly what rtNumToStr prints for every 16-bit value.
            const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int>(map.at(column, row)));
            text.append(buf, r.ptr);
            text += column + 1 < kEditorColumns ? "," : "\r\n";
        }
    }
    return text;
}


} // namespace mapfile
