#include "mapedit/journal.hpp"

#include <array>
#include <cstring>

namespace mapedit::journal {

namespace {

constexpr std::string_view kMagic = "MAPEDJNL";
constexpr size_t kFixedBytes = 16; // magic, version, body length
constexpr uint32_t kCellsOnlyVersion = 1;

// A record's tag: its kind, in lower case when it joins the step before it.
char tagOf(const Change& change) {
    char tag = 'E';
    if (change.kind == Change::Kind::RowInserted) tag = 'I';
    if (change.kind == Change::Kind::RowRemoved) tag = 'R';
    return change.joined ? static_cast<char>(tag - 'A' + 'a') : tag;
}

// The change a tag begins, or false for a tag that is none (of this version).
bool changeOfTag(char tag, uint32_t version, Change& change) {
    change.joined = tag >= 'a' && tag <= 'z';
    const char upper = change.joined ? static_cast<char>(tag - 'a' + 'A') : tag;
    if (upper == 'E') {
        change.kind = Change::Kind::Cell;
    } else if (upper == 'I' && version >= 2) {
        change.kind = Change::Kind::RowInserted;
    } else if (upper == 'R' && version >= 2) {
        change.kind = Change::Kind::RowRemoved;
    } else {
        return false;
    }
    return version >= 2 || !change.joined;
}

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void put(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// Reads little-endian numbers and byte strings; a read past the end fails and stays failed.
class Reader {
  public:
    explicit Reader(std::string_view data) : data_(data) {}
    uint64_t number(int bytes) {
        uint64_t v = 0;
        if (!fits(static_cast<size_t>(bytes))) return 0;
        for (int i = 0; i < bytes; ++i) v |= uint64_t{static_cast<uint8_t>(data_[at_ + i])} << (8 * i);
        at_ += static_cast<size_t>(bytes);
        return v;
    }
    std::string_view bytes(uint64_t n) {
        if (!fits(n)) return {};
        const std::string_view s = data_.substr(at_, static_cast<size_t>(n));
        at_ += static_cast<size_t>(n);
        return s;
    }
    bool ok() const { return ok_; }
    size_t at() const { return at_; }

  private:
    bool fits(uint64_t n) {
        ok_ = ok_ && n <= data_.size() - at_;
        return ok_;
    }
    std::string_view data_;
    size_t at_ = 0;
    bool ok_ = true;
};

} // namespace

uint32_t crc32(std::string_view data) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char ch : data) c = crcTable()[(c ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string encodeHeader(const Header& header) {
    std::string body;
    put(body, static_cast<uint64_t>(header.started), 8);
    put(body, header.mapPath.size(), 4);
    body += header.mapPath;
    put(body, header.baseIsFile ? 1 : 0, 1);
    put(body, header.baseBytes.size(), 8);
    body += header.baseBytes;
    std::string out(kMagic);
    put(out, kVersion, 4);
    put(out, body.size(), 4);
    out += body;
    put(out, crc32(out), 4);
    return out;
}

std::string encodeEdit(const Change& change, uint32_t secondsSinceStart) {
    const Edit& edit = change.cell;
    std::string out(1, tagOf(change));
    put(out, static_cast<uint64_t>(edit.column), 1);
    put(out, static_cast<uint16_t>(edit.row), 2);
    put(out, static_cast<uint16_t>(edit.before), 2);
    put(out, static_cast<uint16_t>(edit.after), 2);
    put(out, secondsSinceStart, 4);
    put(out, crc32(out), 4);
    return out;
}

Contents decode(std::string_view bytes, const std::string& mapPath) {
    Contents c;
    if (bytes.empty()) return c;
    c.status = Status::Broken;
    if (bytes.size() < kFixedBytes || bytes.substr(0, kMagic.size()) != kMagic) {
        c.why = "作業記録ではありません";
        return c;
    }
    Reader r(bytes.substr(kMagic.size()));
    const uint64_t version = r.number(4);
    const uint64_t bodyLength = r.number(4);
    if (version != kVersion && version != kCellsOnlyVersion) {
        c.status = Status::Foreign;
        c.why = "形式の版 " + std::to_string(version) + " には対応していません";
        return c;
    }
    if (bodyLength > bytes.size() - kFixedBytes || bytes.size() - kFixedBytes - bodyLength < 4) {
        c.why = "先頭が途中で切れています";
        return c;
    }
    const size_t headerEnd = kFixedBytes + static_cast<size_t>(bodyLength);
    Reader check(bytes.substr(headerEnd, 4));
    if (check.number(4) != crc32(bytes.substr(0, headerEnd))) {
        c.why = "先頭が壊れています";
        return c;
    }
    Reader body(bytes.substr(kFixedBytes, static_cast<size_t>(bodyLength)));
    c.header.started = static_cast<int64_t>(body.number(8));
    c.header.mapPath = std::string(body.bytes(body.number(4)));
    c.header.baseIsFile = body.number(1) != 0;
    c.header.baseBytes = std::string(body.bytes(body.number(8)));
    if (!body.ok() || body.at() != bodyLength) {
        c.why = "先頭の長さが合いません";
        return c;
    }
    if (c.header.mapPath != mapPath) {
        c.status = Status::Foreign;
        c.why = "別の地図(" + c.header.mapPath + ")の記録です";
        return c;
    }
    c.status = Status::Ok;
    c.lastEdit = c.header.started;
    for (size_t at = headerEnd + 4; bytes.size() - at >= kRecordBytes; at += kRecordBytes) {
        const std::string_view record = bytes.substr(at, kRecordBytes);
        Reader e(record);
        const char tag = static_cast<char>(e.number(1));
        Change change;
        const bool known = changeOfTag(tag, static_cast<uint32_t>(version), change);
        Edit& edit = change.cell;
        edit.column = static_cast<int16_t>(e.number(1));
        edit.row = static_cast<int16_t>(e.number(2));
        edit.before = static_cast<int16_t>(e.number(2));
        edit.after = static_cast<int16_t>(e.number(2));
        const uint32_t seconds = static_cast<uint32_t>(e.number(4));
        if (!known || e.number(4) != crc32(record.substr(0, 12)) || edit.column < 0 ||
            edit.column >= kMapColumns || edit.row < 0 || edit.row >= kMapRows)
            break; // cut off by a crash in the middle of a write
        c.edits.push_back(change);
        c.lastEdit = c.header.started + seconds;
    }
    return c;
}

std::optional<Recovery> recoveryFrom(const Contents& contents, const mapfile::EditorMap& asRead) {
    if (contents.status != Status::Ok || contents.edits.empty()) return std::nullopt;
    Recovery r;
    if (contents.header.baseIsFile) {
        mapfile::readMapText(r.base, contents.header.baseBytes);
    } else {
        r.base.stop.status = mapfile::ReadStatus::Missing;
        auto none = std::make_shared<mapfile::MapOrigin>();
        none->kind = mapfile::MapOrigin::Kind::Missing;
        r.base.origin = std::move(none);
    }
    openBlankWhenEmpty(r.base);
    mapfile::EditorMap changed = r.base;
    for (const Change& e : contents.edits) applyChange(changed, e);
    if (changed.cells == r.base.cells && changed.lastRow == r.base.lastRow) return std::nullopt;
    r.edits = contents.edits;
    r.started = static_cast<std::time_t>(contents.header.started);
    r.lastEdit = static_cast<std::time_t>(contents.lastEdit);
    const mapfile::MapOrigin* now = asRead.origin.get();
    const bool nowIsFile = now && now->kind == mapfile::MapOrigin::Kind::Bytes;
    r.mapChanged =
        nowIsFile != contents.header.baseIsFile || (nowIsFile && now->bytes != contents.header.baseBytes);
    return r;
}

} // namespace mapedit::journal
