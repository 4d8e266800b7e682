// The journal on disk: what an earlier session left is read back, a journal that cannot be used is
// moved aside with a word, and a second editor on the same map never writes into the first's.
#include "mapedit/journal_file.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using mapedit::Edit;
using mapedit::JournalFile;
using testing_support::readFile;
using testing_support::writeFile;

const std::string kMap = "/maps/AREA1.csv";

std::string journalOf(const std::string& map, std::vector<Edit> edits, uint32_t version = 2) {
    std::string bytes = mapedit::journal::encodeHeader({1000, map, true, "0,0\r\n"});
    if (version != 2) bytes[8] = static_cast<char>(version);
    for (const Edit& e : edits) bytes += mapedit::journal::encodeEdit(mapedit::Change::ofCell(e), 5);
    return bytes;
}

TEST(Journal, WhatAStartFindsInIt) {
    const std::string two = journalOf(kMap, {{1, 2, 0, 7}, {3, 4, 0, 0x0503}});
    std::string flipped = two;
    flipped[flipped.size() - 10] ^= 1; // in the second record
    struct Case {
        const char* name;
        std::string bytes;
        mapedit::journal::Status status;
        size_t edits;
        bool movedAside;
    } cases[] = {
        {"none", "", mapedit::journal::Status::Empty, 0, false},
        {"two edits", two, mapedit::journal::Status::Ok, 2, false},
        {"a record cut off by a crash", two.substr(0, two.size() - 5), mapedit::journal::Status::Ok, 1,
         false},
        {"a record that fails its check", flipped, mapedit::journal::Status::Ok, 1, false},
        {"not a journal", "0,0,0,0\r\n", mapedit::journal::Status::Broken, 0, true},
        {"a header cut off", two.substr(0, 30), mapedit::journal::Status::Broken, 0, true},
        {"another map's", journalOf("/maps/other.csv", {{1, 2, 0, 7}}), mapedit::journal::Status::Foreign, 0,
         true},
        {"another version", journalOf(kMap, {{1, 2, 0, 7}}, 3), mapedit::journal::Status::Foreign, 0, true},
    };
    for (const Case& c : cases) {
        testing_support::TempDir dir;
        const fs::path path = dir / mapedit::journalName(kMap, 1);
        writeFile(path, c.bytes);
        EXPECT_EQ(mapedit::journal::decode(c.bytes, kMap).status, c.status) << c.name;
        JournalFile journal;
        journal.open(kMap, dir.path().string());
        ASSERT_TRUE(journal.isOpen()) << c.name;
        EXPECT_EQ(journal.found().edits.size(), c.edits) << c.name;
        size_t files = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            ++files;
            if (entry.path() != path) {
                EXPECT_NE(entry.path().string().find(".broken-"), std::string::npos) << c.name;
            }
        }
        EXPECT_EQ(files, c.movedAside ? 2u : 1u) << c.name;
        EXPECT_EQ(journal.notices().empty(), !c.movedAside) << c.name;
        if (c.movedAside) {
            EXPECT_EQ(readFile(path), "") << c.name << ": a new journal in its place";
        }
    }
}

TEST(Journal, ASecondEditorOnTheSameMapTakesTheNextJournal) {
    testing_support::TempDir dir;
    JournalFile first, second;
    first.open(kMap, dir.path().string());
    second.open(kMap, dir.path().string());
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    EXPECT_NE(first.path(), second.path());
    mapfile::EditorMap map;
    first.record(map, mapedit::Change::ofCell({0, 0, 0, 1}), 1000);
    second.record(map, mapedit::Change::ofCell({5, 5, 0, 2}), 1000);
    EXPECT_EQ(first.flush(), "");
    EXPECT_EQ(second.flush(), "");
    const auto a = mapedit::journal::decode(readFile(first.path()), kMap);
    const auto b = mapedit::journal::decode(readFile(second.path()), kMap);
    ASSERT_TRUE(a.edits.size() == 1 && b.edits.size() == 1);
    EXPECT_EQ(a.edits[0].cell, (Edit{0, 0, 0, 1}));
    EXPECT_EQ(b.edits[0].cell, (Edit{5, 5, 0, 2}));
    const std::string firstPath = first.path();
    first.finish(false);
    EXPECT_FALSE(fs::exists(firstPath)) << "nothing unsaved: the journal goes";
    second.finish(true);
    EXPECT_TRUE(fs::exists(dir / mapedit::journalName(kMap, 2))) << "unsaved edits: the journal stays";
}

} // namespace
