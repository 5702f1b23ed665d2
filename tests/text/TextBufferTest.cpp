#include "base/QuillEditStrConst.h"
#include "text/QuillEditTextBuffer.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quillan {
namespace {

using namespace std::string_literals;

// Records every event as one short string, in order.
struct EventLog {
    std::vector<std::string> events;

    explicit EventLog(TQuillEditStringList& list)
    {
        list.OnChanging = [this](TQuillEditStringList*) { events.push_back("changing"); };
        list.OnChange = [this](TQuillEditStringList*) { events.push_back("change"); };
        list.OnLineAdded = [this](TQuillEditStringList*, int i) { events.push_back("added " + std::to_string(i)); };
        list.OnLineDeleted = [this](TQuillEditStringList*, int i) { events.push_back("deleted " + std::to_string(i)); };
        list.OnLineInserted
            = [this](TQuillEditStringList*, int i) { events.push_back("inserted " + std::to_string(i)); };
        list.OnLinePut = [this](TQuillEditStringList*, int i) { events.push_back("put " + std::to_string(i)); };
        list.OnLinesCleared = [this](TQuillEditStringList*) { events.push_back("cleared"); };
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
};

using Events = std::vector<std::string>;

std::vector<std::string> Lines(const TQuillEditStringList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Get(i).str());
    return out;
}

TEST(StringListEvents, EachOperationFiresItsLineEventInsideOneBracket)
{
    TQuillEditStringList list;
    EventLog log(list);

    list.Put(0, "first");
    EXPECT_EQ(log.Take(), (Events { "changing", "added 0", "change" })) << "Put on an empty list appends";
    list.Put(0, "one");
    EXPECT_EQ(log.Take(), (Events { "changing", "put 0", "change" }));
    list.Insert(1, "two");
    EXPECT_EQ(log.Take(), (Events { "changing", "inserted 1", "change" })) << "Insert at Count appends";
    EXPECT_EQ(list.Add("three"), 2);
    EXPECT_EQ(log.Take(), (Events { "changing", "added 2", "change" }));
    list.InsertLines(1, 3);
    EXPECT_EQ(log.Take(), (Events { "changing", "added 1", "change" }));
    list.DeleteLines(1, 3);
    EXPECT_EQ(log.Take(), (Events { "changing", "deleted 1", "change" }));
    list.Exchange(0, 2);
    EXPECT_EQ(log.Take(), (Events { "changing", "change" }));
    list.PutRange(1, 7);
    EXPECT_EQ(log.Take(), (Events { "changing", "change" }));
    list.Delete(0);
    EXPECT_EQ(log.Take(), (Events { "changing", "deleted 0", "change" }));
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "two", "one" }));

    list.BeginUpdate();
    list.Put(1, "x");
    EXPECT_EQ(log.Take(), (Events { "changing", "put 1" })) << "the line event is not deferred";
    list.Add("y");
    list.EndUpdate();
    EXPECT_EQ(log.Take(), (Events { "added 2", "change" }));

    list.Clear();
    EXPECT_EQ(log.Take(), (Events { "changing", "cleared", "change" }));
    EXPECT_EQ(list.Capacity(), 0);
    list.Clear();
    EXPECT_TRUE(log.Take().empty()) << "clearing an empty list is silent";
    list.InsertLines(0, 0);
    list.DeleteLines(0, -1);
    EXPECT_TRUE(log.Take().empty());
}

TEST(StringListEvents, BulkOperationsReportTheirFirstLineOnce)
{
    TQuillEditStringList source;
    source.SetText("a\nb\nc\n");
    source.PutLineData(1, 42);
    TQuillEditStringList list;
    list.Add("z");
    EventLog log(list);
    list.AddStrings(source);
    EXPECT_EQ(log.Take(), (Events { "changing", "added 1", "change" }));
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "z", "a", "b", "c" }));
    EXPECT_EQ(list.GetLineData(2), 42);
    EXPECT_EQ(list.GetRange(2), RangeUnknown);
    EXPECT_EQ(list.Capacity(), 16);

    list.AddStrings(list); // appending itself doubles the text
    EXPECT_EQ(log.Take(), (Events { "changing", "added 4", "change" }));
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Get(7), "c");
    EXPECT_EQ(list.GetLineData(6), 42);

    list.SetText("p\r\nq");
    EXPECT_EQ(log.Take(), (Events { "changing", "cleared", "added 0", "added 1", "change" }));
    list.AddStrings(std::vector<std::string> { "r", "s" });
    EXPECT_EQ(log.Take(), (Events { "changing", "added 2", "change" }));
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "p", "q", "r", "s" }));

    list.EndUpdate(); // one too many must not swallow later notifications
    list.Delete(3);
    EXPECT_EQ(log.Take(), (Events { "changing", "deleted 3", "change" }));
}

TEST(StringListIndex, ReadsOutsideTheListAreQuietAndWritesRaise)
{
    TQuillEditStringList list;
    list.SetText("a\nb\nc");
    EXPECT_EQ(list.Get(5), "");
    EXPECT_EQ(list.Get(-1), "");
    EXPECT_EQ(list.GetView(3), "");
    EXPECT_EQ(list.GetLineData(9), 0);
    EXPECT_EQ(list.GetRange(3), 0u);
    EXPECT_EQ(list.ExpandedString(3), "");
    EXPECT_EQ(list.GetExpandedLength(-2), 0);

    EventLog log(list);
    try {
        list.Delete(3);
        FAIL() << "no exception";
    } catch (const EQuillEditStringList& e) {
        EXPECT_STREQ(e.what(), "Invalid stringlist index 3");
    }
    EXPECT_THROW(list.Put(3, "x"), EQuillEditStringList);
    EXPECT_THROW(list.Insert(4, "x"), EQuillEditStringList);
    EXPECT_THROW(list.Insert(-1, "x"), EQuillEditStringList);
    EXPECT_THROW(list.InsertLines(4, 1), EQuillEditStringList);
    EXPECT_THROW(list.DeleteLines(3, 1), EQuillEditStringList);
    EXPECT_THROW(list.Exchange(0, 3), EQuillEditStringList);
    EXPECT_THROW(list.PutLineData(-1, 1), EQuillEditStringList);
    EXPECT_THROW(list.PutRange(3, 1), EQuillEditStringList);
    EXPECT_THROW(list.SetCapacity(2), EQuillEditStringList);
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "b", "c" }));
    EXPECT_EQ(list.Capacity(), 16);
}

TEST(StringListRecords, NewRecordsStartAsDocumented)
{
    TQuillEditStringList list;
    list.Add("a");
    EXPECT_EQ(list.GetRange(0), RangeUnknown);
    EXPECT_EQ(list.GetLineData(0), 0);
    list.PutRange(0, 5);
    list.PutLineData(0, -7);
    list.Put(0, "changed");
    EXPECT_EQ(list.GetRange(0), 5u) << "Put keeps the range";
    EXPECT_EQ(list.GetLineData(0), -7);

    list.InsertLines(0, 2);
    EXPECT_EQ(list.Get(0), "");
    EXPECT_EQ(list.GetRange(1), 0u);
    EXPECT_EQ(list.GetExpandedLength(1), 0);
    EXPECT_EQ(list.Capacity(), 3) << "InsertLines sizes the array exactly";
    list.DeleteLines(1, 100);
    EXPECT_EQ(list.Count(), 1) << "a count past the end removes the rest";
}

TEST(StringListRecords, GrowthFollowsTheRule)
{
    TQuillEditStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 101; ++i) {
        list.Insert(i / 2, std::to_string(i));
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int> { 16, 32, 48, 64, 80, 100, 125 }));
    list.SetCapacity(101);
    EXPECT_EQ(list.Capacity(), 101);
    list.Add("last");
    EXPECT_EQ(list.Capacity(), 126);
    EXPECT_EQ(list.Get(101), "last");
}

TEST(StringListText, SplitsAtEveryBreakAndJoinsWithCrLf)
{
    TQuillEditStringList list;
    list.SetText("a\r\nb");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "b" }));
    list.SetText("a\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a" }));
    list.SetText("a\r\rb");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "", "b" }));
    list.SetText("a\n\rb\n\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "", "b", "" }));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetText(), "");
    list.SetText("x\0y\nz\0"s);
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "x\0y"s, "z\0"s })) << "NUL is an ordinary byte";

    list.Clear();
    list.Add("a");
    list.Add("");
    EXPECT_EQ(list.GetText(), "a\r\n\r\n");
}

TEST(StringListText, LinesShareStorageUntilTheyGo)
{
    TQuillEditStringList list;
    list.SetText("alpha\nbeta\ngamma");
    QuillString first = list.Get(0);
    EXPECT_EQ(first.BlockUseCount(), 4u) << "three lines and this copy share one block";
    std::string_view view = list.GetView(2);
    list.Delete(1);
    EXPECT_EQ(first.BlockUseCount(), 3u);
    EXPECT_EQ(view, "gamma") << "a view stays valid while its line is unchanged";
    list.Clear();
    EXPECT_EQ(first.BlockUseCount(), 1u);
    EXPECT_EQ(first, "alpha");
    EXPECT_EQ(first.Sub(1, 3), "lph");
    EXPECT_EQ(first.Sub(9), "");

    // Moving a line to another place shares its bytes instead of copying them.
    list.Add(first);
    EXPECT_EQ(list.Get(0).data(), first.data());
}

// Reference expansion, written the obvious way.
std::string ExpandSlowly(std::string_view line, int width)
{
    std::string out;
    for (char c : line) {
        if (c != '\t') {
            out += c;
            continue;
        }
        int w = width <= 1 ? 1 : width;
        do
            out += ' ';
        while (out.size() % static_cast<std::size_t>(w) != 0 && width > 1);
    }
    return out;
}

TEST(StringListTabs, ExpansionAgreesForEveryKindOfWidth)
{
    TQuillEditStringList list;
    list.SetTabWidth(4);
    list.Add("a\tb");
    EXPECT_EQ(list.ExpandedString(0), "a   b");
    EXPECT_EQ(list.GetExpandedLength(0), 5);
    list.SetTabWidth(3);
    list.Put(0, "ab\tc");
    EXPECT_EQ(list.ExpandedString(0), "ab c");
    list.SetTabWidth(1);
    list.Put(0, "\t\tx\t");
    EXPECT_EQ(list.ExpandedString(0), "  x ");
    list.SetTabWidth(8);
    list.Put(0, "\t");
    EXPECT_EQ(list.GetExpandedLength(0), 8);

    std::mt19937 rng(7);
    const std::string alphabet = "ab\t\t \0"s;
    for (int width : { 0, 1, 2, 3, 4, 5, 7, 8, 12, 16, 33 }) {
        list.SetTabWidth(width);
        for (int n = 0; n < 200; ++n) {
            std::string line;
            for (int k = static_cast<int>(rng() % 40); k > 0; --k)
                line += alphabet[rng() % alphabet.size()];
            list.Put(0, line);
            std::string expected = ExpandSlowly(line, width);
            // Measuring alone (the longest-line walk) and expanding must agree.
            ASSERT_EQ(list.GetExpandedLength(0), static_cast<int>(expected.size())) << width;
            ASSERT_EQ(list.ExpandedString(0), expected) << width;
            ASSERT_EQ(list.LongestLineLength(), static_cast<int>(expected.size()));
        }
    }
    list.Put(0, "");
    EXPECT_EQ(list.ExpandedString(0), "");
    EXPECT_EQ(list.GetExpandedLength(0), 0);
    list.Put(0, "no tabs here");
    EXPECT_EQ(list.ExpandedString(0).data(), list.Get(0).data()) << "a line without tabs is not copied";
}

TEST(StringListLongest, FollowsEveryKindOfChange)
{
    TQuillEditStringList list;
    list.SetText("\n\n");
    EXPECT_EQ(list.LongestLineLength(), 0);
    list.SetText("abc\n\tx\nabcdefghi\nabcdefghi");
    EXPECT_EQ(list.LongestLineLength(), 9);
    list.Put(3, "abcdefghijk");
    EXPECT_EQ(list.LongestLineLength(), 11);
    list.Put(3, "");
    EXPECT_EQ(list.LongestLineLength(), 9) << "the longest line shrank: the next one takes over";
    list.Put(2, "");
    EXPECT_EQ(list.LongestLineLength(), 9) << "\"\\tx\" expands to nine columns";
    list.SetTabWidth(2);
    EXPECT_EQ(list.LongestLineLength(), 3);
    list.Exchange(0, 1);
    list.Put(1, "");
    EXPECT_EQ(list.LongestLineLength(), 3);
    list.Delete(0);
    EXPECT_EQ(list.LongestLineLength(), 0);

    // More puts between two queries than are remembered one by one.
    for (int i = 0; i < 40; ++i)
        list.Add(std::string(static_cast<std::size_t>(i % 7), 'x'));
    EXPECT_EQ(list.LongestLineLength(), 6);
    for (int i = 0; i < 40; ++i)
        list.Put(i, std::string(static_cast<std::size_t>(i % 5), 'y'));
    EXPECT_EQ(list.LongestLineLength(), 4);
}

// Arrays of a megabyte and more live in mappings of their own; growing, moving and shrinking
// them must keep every line in its place.
TEST(StringListModel, LargeListsKeepTheirLinesThroughEveryResize)
{
    TQuillEditStringList list;
    std::deque<std::string> model;
    auto check = [&](const char* when) {
        ASSERT_EQ(list.Count(), static_cast<int>(model.size())) << when;
        for (int i = 0; i < list.Count(); i += 1 + i % 7)
            ASSERT_EQ(list.Get(i), model[static_cast<std::size_t>(i)]) << when << " line " << i;
        ASSERT_EQ(list.Get(list.Count() - 1), model.back()) << when;
    };
    for (int i = 0; i < 60000; ++i) {
        model.push_back(std::to_string(i));
        list.Add(model.back());
    }
    check("after appending");
    // The edit point goes round the ring, then growth has to copy a wrapped layout.
    for (int i = 0; i < 100; ++i) {
        list.Insert(0, "front" + std::to_string(i));
        model.insert(model.begin(), "front" + std::to_string(i));
        list.Insert(list.Count() / 3, "third");
        model.insert(model.begin() + static_cast<long>(model.size() / 3), "third");
    }
    check("after inserting");
    // Inserting at the front keeps the first line away from slot 0, so growth copies the ring.
    const int target = list.Capacity() + 10;
    while (list.Count() < target) {
        list.Insert(0, "grow");
        model.push_front("grow");
    }
    check("after growing a wrapped ring");
    list.SetCapacity(list.Count());
    check("after shrinking to fit");
    list.DeleteLines(10, list.Count() - 20);
    model.erase(model.begin() + 10, model.end() - 10);
    list.SetCapacity(list.Count() + 5);
    check("after shrinking a wrapped ring to a small array");

    // The same from a list in line order, which is resized where it lies.
    list.Clear();
    model.clear();
    for (int i = 0; i < 60000; ++i) {
        model.push_back(std::to_string(i));
        list.Add(model.back());
    }
    list.SetCapacity(list.Count());
    check("after shrinking in place");
    list.DeleteLines(20, list.Count());
    model.resize(20);
    list.SetCapacity(25);
    check("after shrinking in place to a small array");
}

// Random edits against a vector of strings: the ring of records with its gap must always read
// back as the model, whatever the order of edits.
TEST(StringListModel, RandomEditsMatchAPlainVector)
{
    struct Line {
        std::string text;
        std::intptr_t data;
        TRangeState range;
    };
    std::mt19937 rng(12345);
    TQuillEditStringList list;
    std::vector<Line> model;
    auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto text = [&] {
        std::string s;
        for (int k = pick(12); k > 0; --k)
            s += "ab\tc d"[pick(6)];
        return s;
    };
    for (int step = 0; step < 10000; ++step) {
        int n = static_cast<int>(model.size());
        switch (pick(13)) {
        case 0:
        case 1: {
            int i = pick(3) == 0 ? 0 : pick(n + 1);
            std::string t = text();
            list.Insert(i, t);
            model.insert(model.begin() + i, { t, 0, RangeUnknown });
            break;
        }
        case 2: {
            std::string t = text();
            list.Add(t);
            model.push_back({ t, 0, RangeUnknown });
            break;
        }
        case 3:
        case 4:
            if (n > 0) {
                int i = pick(3) == 0 ? 0 : pick(n);
                list.Delete(i);
                model.erase(model.begin() + i);
            }
            break;
        case 5:
            if (n > 0) {
                int i = pick(n);
                std::string t = text();
                list.Put(i, t);
                model[i].text = t;
            }
            break;
        case 6:
            if (n > 1) {
                int a = pick(n), b = pick(n);
                list.Exchange(a, b);
                std::swap(model[a], model[b]);
            }
            break;
        case 7: {
            int i = pick(n + 1), k = pick(5);
            list.InsertLines(i, k);
            model.insert(model.begin() + i, k, Line { "", 0, 0 });
            break;
        }
        case 8:
            if (n > 0) {
                int i = pick(n), k = pick(6);
                list.DeleteLines(i, k);
                if (k > 0)
                    model.erase(model.begin() + i, model.begin() + std::min(n, i + k));
            }
            break;
        case 9:
            if (n > 0) {
                int i = pick(n);
                auto v = static_cast<std::intptr_t>(rng());
                list.PutLineData(i, v);
                list.PutRange(i, static_cast<TRangeState>(v) & 0xFF);
                model[i].data = v;
                model[i].range = static_cast<TRangeState>(v) & 0xFF;
            }
            break;
        case 10:
            if (pick(20) == 0)
                list.SetCapacity(n + pick(40));
            else if (pick(50) == 0 && n < 3000) {
                list.AddStrings(list);
                std::vector<Line> copy = model;
                for (Line& l : copy)
                    l.range = RangeUnknown;
                model.insert(model.end(), copy.begin(), copy.end());
            }
            break;
        case 11:
            if (pick(200) == 0) {
                list.Clear();
                model.clear();
            }
            break;
        default:
            if (pick(30) == 0)
                list.SetTabWidth(1 + pick(9));
            break;
        }
        ASSERT_EQ(list.Count(), static_cast<int>(model.size())) << "step " << step;
        if (step % 97 == 0 || model.size() < 8) {
            int longest = 0;
            for (int i = 0; i < list.Count(); ++i) {
                ASSERT_EQ(list.Get(i), model[i].text) << "step " << step << " line " << i;
                ASSERT_EQ(list.GetLineData(i), model[i].data) << "step " << step << " line " << i;
                ASSERT_EQ(list.GetRange(i), model[i].range) << "step " << step << " line " << i;
                longest = std::max(longest, static_cast<int>(ExpandSlowly(model[i].text, list.TabWidth()).size()));
            }
            ASSERT_EQ(list.LongestLineLength(), longest) << "step " << step;
        }
    }
}

} // namespace
} // namespace quillan
