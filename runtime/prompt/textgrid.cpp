#include "runtime/prompt/textgrid.hpp"

#include <algorithm>

namespace prompt {

int32_t TextRow::length() const {
    const auto end = std::find(text.begin(), text.end(), uint8_t{0});
    return static_cast<int32_t>(end - text.begin());
}

std::string_view TextRow::bytes() const {
    return {reinterpret_cast<const char*>(text.data()), static_cast<size_t>(length())};
}

TextGrid::TextGrid() {
    rows_.reserve(kGridRows);
    for (int32_t i = 0; i < kGridRows; ++i) rows_.push_back(std::make_unique<TextRow>());
}

bool TextGrid::print(std::string_view bytes) {
    bool scrolled = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        TextRow& r = row(cursor_.row);
        if (b == '\t') {
            const int32_t n = kTabWidth - cursor_.column % kTabWidth;
            for (int32_t k = 0; k < n && cursor_.column + k < kMaxRowText; ++k)
                r.text[static_cast<size_t>(cursor_.column + k)] = ' ';
            cursor_.column = std::min(cursor_.column + n, kMaxRowText);
        } else if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
            cursor_.column = 0;
            if (cursor_.row == kLastRow) {
                scrollUp();
                scrolled = true;
            } else {
                ++cursor_.row;
            }
        } else {
            if (cursor_.column < kMaxRowText) {
                const auto c = static_cast<size_t>(cursor_.column);
                r.text[c] = static_cast<uint8_t>(b);
                r.foreground[c] = foreColour;
                r.background[c] = backColour;
                ++cursor_.column;
            }
        }
    }
    return scrolled;
}

void TextGrid::locate(int32_t column, int32_t rowIndex) {
    cursor_.column = std::clamp(column, 0, kMaxRowText);
    cursor_.row = std::clamp(rowIndex, 0, kLastRow);
    TextRow& r = row(cursor_.row);
    for (int32_t c = r.length(); c < cursor_.column; ++c) {
        r.text[static_cast<size_t>(c)] = ' ';
        r.background[static_cast<size_t>(c)] = kTransparent;
    }
}

void TextGrid::clearText() {
    for (auto& r : rows_) r->text.fill(0);
    cursor_ = {};
}

void TextGrid::scrollUp() {
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
    *rows_.back() = TextRow{};
}

} // namespace prompt
