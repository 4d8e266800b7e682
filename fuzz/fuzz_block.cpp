// Text from the desktop's clipboard as a block, from arbitrary bytes: a block read goes to text and
// back unchanged, and is a rectangle within the map's size; the same bytes as a journal never harm.
#include "mapedit/editor.hpp"
#include "mapedit/journal.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const mapedit::ParsedBlock parsed = mapedit::parseBlock(text);
    if (parsed.block) {
        const mapedit::Editor::Block& b = *parsed.block;
        if (b.width < 1 || b.width > mapedit::kMapColumns || b.height < 1 || b.height > mapedit::kMapRows ||
            b.cells.size() != static_cast<size_t>(b.width) * static_cast<size_t>(b.height) ||
            !parsed.why.empty())
            __builtin_trap();
        const mapedit::ParsedBlock again = mapedit::parseBlock(mapedit::blockText(b));
        if (!again.block || again.block->cells != b.cells || again.block->width != b.width) __builtin_trap();
    } else if (parsed.why.empty()) {
        __builtin_trap();
    }
    (void)mapedit::journal::decode(text, "/maps/AREA1.csv");
    return 0;
}
