#include "mapedit/journal_file.hpp"

#include <cstdio>

namespace mapedit {

namespace {

// More editors than this on one map go without a journal.
constexpr int kJournalsPerMap = 8;
// A journal holds the map as read (at most the editor's read cap) and its edits.
constexpr size_t kReadCap = size_t{1} << 30;

uint64_t pathHash(const std::string& path) {
    uint64_t h = 0xcbf29ce484222325ull; // FNV-1a: spreads the path over the name's 16 digits
    for (const char c : path) h = (h ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    return h;
}

} // namespace

std::string journalName(const std::string& mapRealPath, int n) {
    const size_t slash = mapRealPath.find_last_of('/');
    const std::string base = slash == std::string::npos ? mapRealPath : mapRealPath.substr(slash + 1);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(pathHash(mapRealPath)));
    std::string name = base;
    name.append("-").append(hash);
    if (n > 1) name.append(".").append(std::to_string(n));
    return name.append(".journal");
}

void JournalFile::open(const std::string& mapRealPath, const std::string& folder) {
    mapPath_ = mapRealPath;
    if (folder.empty() || mapRealPath.empty()) {
        notices_.push_back("作業記録を置くフォルダーがありません: 異常終了した時の変更は戻せません。");
        return;
    }
    std::string why;
    for (int n = 1; n <= kJournalsPerMap; ++n) {
        const std::string path = folder + "/" + journalName(mapRealPath, n);
        for (int tries = 0; tries < 3; ++tries) {
            const platform::LockedFile::Opened opened = platform::LockedFile::open(path, file_, why);
            if (opened == platform::LockedFile::Opened::Busy) break; // another editor's: the next one
            if (opened == platform::LockedFile::Opened::Failed) {
                notices_.push_back("作業記録 " + path + " を開けません: " + why);
                break;
            }
            std::string bytes;
            journal::Contents c;
            if (!file_.readAll(bytes, kReadCap, why)) {
                c.status = journal::Status::Broken;
                c.why = "読めません: " + why;
            } else {
                c = journal::decode(bytes, mapRealPath);
            }
            if (c.status == journal::Status::Empty || c.status == journal::Status::Ok) {
                found_ = std::move(c);
                written_ = bytes.size();
                return;
            }
            // Never in the way of an editor's start: it goes aside with a word, and a new one begins.
            const std::string aside = mapfile::moveAside(path, "broken");
            notices_.push_back("作業記録 " + path + " は使えません(" + c.why + ")。" +
                               (aside == path ? "そのままにしました。" : "移しました: " + aside));
            file_.close();
            if (aside == path) break;
        }
    }
    if (!file_.isOpen())
        notices_.push_back("この地図の作業記録を開けません: 異常終了した時の変更は戻せません。");
}

void JournalFile::record(const mapfile::EditorMap& map, const Change& change, std::time_t now) {
    if (!file_.isOpen()) return;
    if (!begun_) {
        // A new journal replaces whatever the file held.
        journal::Header h;
        h.started = static_cast<int64_t>(now);
        h.mapPath = mapPath_;
        h.baseIsFile = map.origin && map.origin->kind == mapfile::MapOrigin::Kind::Bytes;
        if (h.baseIsFile) h.baseBytes = map.origin->bytes;
        pending_ = journal::encodeHeader(h);
        written_ = 0;
        started_ = now;
        begun_ = true;
    }
    pending_ += journal::encodeEdit(change, static_cast<uint32_t>(now >= started_ ? now - started_ : 0));
}

std::string JournalFile::flush() {
    if (!file_.isOpen() || pending_.empty()) return {};
    std::string why;
    if (!file_.writeFrom(written_, pending_, why)) return why;
    written_ += pending_.size();
    pending_.clear();
    return {};
}

std::string JournalFile::clear() {
    pending_.clear();
    begun_ = false;
    found_ = {};
    if (!file_.isOpen()) return {};
    std::string why;
    written_ = 0;
    return file_.writeFrom(0, {}, why) ? std::string() : why;
}

void JournalFile::finish(bool keep) {
    if (keep) {
        flush();
        file_.close();
    } else {
        file_.remove();
    }
}

} // namespace mapedit
