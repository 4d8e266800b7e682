#pragma once
// The editor's journal on disk: one per map, named by the map's real path, in the user's state
// folder. Each editor holds its own journal locked while it runs; a second editor on the same map
// takes the next journal of that map, so that two never mix.
#include "mapedit/journal.hpp"
#include "platform/locked_file.hpp"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace mapedit {

class JournalFile {
  public:
    // Takes the first journal of the map that no other editor holds, in folder. A journal there
    // that is broken, foreign or unreadable is moved aside; notices() says so.
    void open(const std::string& mapRealPath, const std::string& folder);
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }
    // What an earlier session left in it (Status::Ok with its edits), or nothing.
    const journal::Contents& found() const { return found_; }
    // Lines for the user (UTF-8): a journal moved aside, or why there is no journal.
    const std::vector<std::string>& notices() const { return notices_; }

    // A change made on map; the first after an empty journal begins it with the map's origin.
    void record(const mapfile::EditorMap& map, const Change& change, std::time_t now);
    // Writes out what is pending; the reason when that failed (the edits stay pending).
    std::string flush();
    // Empties the journal: the map file holds every edit, or they were thrown away.
    std::string clear();
    // At the end: keep writes out what is pending; otherwise the journal goes.
    void finish(bool keep);

  private:
    platform::LockedFile file_;
    std::string mapPath_;
    journal::Contents found_;
    std::vector<std::string> notices_;
    std::string pending_;
    uint64_t written_ = 0; // bytes of the journal on disk that are whole
    bool begun_ = false;   // a header is written or pending
    std::time_t started_ = 0;
};

// The name of the n-th journal (from 1) of a map: its file name, a hash of its real path.
std::string journalName(const std::string& mapRealPath, int n);

} // namespace mapedit
