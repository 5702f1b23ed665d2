// A snapshot keeps the text it saw while the store changes, and gives back every reference.
#include "text/LineSnapshot.h"

#include "support/TempFolder.h"
#include "text/QuillEditTextBuffer.h"

#include <fstream>
#include <gtest/gtest.h>

namespace quillan {
namespace {

std::string Joined(const TLineSnapshot& s, std::size_t chunk)
{
    std::string out;
    std::size_t pieces = 0;
    s.ForEachChunk(chunk, [&](std::string_view piece) {
        out += piece;
        ++pieces;
        return true;
    });
    EXPECT_GE(pieces, s.Empty() ? 0u : 1u);
    return out;
}

TEST(LineSnapshot, KeepsItsTextWhileTheStoreChangesAndReleasesEveryReference)
{
    testutil::TTempFolder temp("snapshot");
    const std::string path = temp / "f.txt";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 3000; ++i)
            out << "line number " << i << "\n";
    }
    TQuillEditStringList lines;
    lines.LoadFromFile(path);
    const QuillString probe = lines.Get(0);
    const std::size_t before = probe.BlockUseCount();
    std::string expected;
    for (int i = 0; i < lines.Count(); ++i)
        expected += std::string(lines.GetView(i)) + "\n";
    {
        TLineSnapshot snapshot;
        snapshot.Take(lines);
        EXPECT_EQ(snapshot.Count(), 3000);
        EXPECT_EQ(snapshot.LineBreakStyle(), TQuillEditLineBreakStyle::lbLF);
        EXPECT_GT(probe.BlockUseCount(), before);
        // The editor goes on: lines change, go and come, and the whole text is replaced.
        lines.Put(0, "changed");
        lines.DeleteLines(10, 100);
        lines.Insert(5, "new");
        lines.Clear();
        EXPECT_EQ(snapshot.TextBytes(), expected.size());
        EXPECT_EQ(Joined(snapshot, 1 << 20), expected);
        // Pieces smaller than a line: lines go whole and nothing is lost or doubled.
        EXPECT_EQ(Joined(snapshot, 5), expected);
        // A moved-from snapshot holds nothing and releases nothing twice.
        TLineSnapshot moved = std::move(snapshot);
        EXPECT_TRUE(snapshot.Empty());
        EXPECT_EQ(moved.Line(2999), "line number 2999");
        moved.Take(lines);
        EXPECT_TRUE(moved.Empty());
        EXPECT_EQ(moved.TextBytes(), 0u);
    }
    // The store let go of the block, and so did the snapshot: only the probe holds it.
    EXPECT_EQ(probe.BlockUseCount(), 1u);
}

TEST(LineSnapshot, WritesCrLfAndStopsWhenTheSinkFails)
{
    TQuillEditStringList lines;
    lines.SetText("a\r\n\r\nbb\r\n");
    lines.SetLineBreakStyle(TQuillEditLineBreakStyle::lbCRLF);
    TLineSnapshot snapshot;
    snapshot.Take(lines);
    EXPECT_EQ(Joined(snapshot, 64), "a\r\n\r\nbb\r\n");
    EXPECT_EQ(snapshot.TextBytes(), 9u);
    int calls = 0;
    EXPECT_FALSE(snapshot.ForEachChunk(1, [&](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace quillan
