// Random bytes as a file: every way of reading it must split it exactly as the rules say (CR LF,
// CR and LF each end a line, a final break adds no line, any CR line end makes the style CR LF),
// and saving then reloading must give back the same lines.
//
// The first byte picks the reader's block size and the batch size, so that refills land
// everywhere, also between a CR and its LF.
#include "text/QuillEditFiler.h"
#include "text/QuillEditTextBuffer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace quillan;

namespace {

struct Split {
    std::vector<std::string> lines;
    bool crlf = false;
};

Split Reference(const std::uint8_t* data, std::size_t size)
{
    Split s;
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r') {
                s.crlf = true;
                if (i + 1 < size && data[i + 1] == '\n')
                    ++i;
            }
            s.lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (size > 0 && data[size - 1] != '\r' && data[size - 1] != '\n')
        s.lines.push_back(line);
    return s;
}

std::string ReadBytes(const std::string& path)
{
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_reader: %s\n", what);
        std::abort();
    }
}

struct Files {
    int memfd = -1;
    std::string input; // the memfd reopened by path, as any file is
    std::string output;
    Files()
    {
        memfd = ::memfd_create("fuzz_reader", 0);
        input = "/proc/self/fd/" + std::to_string(memfd);
        std::string dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        output = dir + "/fuzz_reader_" + std::to_string(::getpid()) + ".txt";
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Files files;
    std::size_t blockSize = TQuillEditFileReader::DefaultBlockSize;
    std::size_t batch = 256;
    if (size > 0) {
        // A quarter of the runs read in whole blocks, where batched reading scans 64 bytes at once.
        if ((data[0] & 3) != 0)
            blockSize = 1 + data[0] % 131;
        batch = 1 + (data[0] >> 2) % 9;
        ++data;
        --size;
    }
    Check(::ftruncate(files.memfd, 0) == 0, "ftruncate");
    Check(::pwrite(files.memfd, data, size, 0) == static_cast<ssize_t>(size), "pwrite");
    const Split expected = Reference(data, size);
    const TQuillEditLineBreakStyle expectedStyle
        = expected.crlf ? TQuillEditLineBreakStyle::lbCRLF : TQuillEditLineBreakStyle::lbLF;

    {
        TQuillEditFileReader reader(files.input, blockSize);
        std::vector<std::string> lines;
        while (!reader.Eof())
            lines.push_back(reader.ReadLine().str());
        Check(lines == expected.lines, "ReadLine split differs");
        Check(reader.LineBreakStyle() == expectedStyle, "ReadLine style differs");
    }
    {
        TQuillEditFileReader reader(files.input, blockSize);
        std::vector<std::string> lines;
        std::vector<QuillStringRep> reps(batch);
        while (std::size_t n = reader.ReadLines(reps.data(), batch)) {
            for (std::size_t i = 0; i < n; ++i) {
                lines.push_back(std::string(reps[i].Data(), reps[i].Size()));
                QuillStringBlock::Release(reps[i].Block);
            }
        }
        Check(lines == expected.lines, "ReadLines split differs");
        Check(reader.LineBreakStyle() == expectedStyle, "ReadLines style differs");
    }

    TQuillEditStringList list;
    list.LoadFromFile(files.input);
    Check(list.Count() == static_cast<int>(expected.lines.size()), "LoadFromFile count differs");
    for (int i = 0; i < list.Count(); ++i)
        Check(list.Get(i) == expected.lines[static_cast<std::size_t>(i)], "LoadFromFile line differs");
    Check(list.LineBreakStyle() == expectedStyle, "LoadFromFile style differs");

    list.SaveToFile(files.output, false);
    std::string joined;
    for (const std::string& line : expected.lines)
        joined += line + (expected.crlf ? "\r\n" : "\n");
    Check(ReadBytes(files.output) == joined, "saved bytes differ");
    TQuillEditStringList again;
    again.LoadFromFile(files.output);
    Check(again.Count() == list.Count(), "reload count differs");
    for (int i = 0; i < list.Count(); ++i)
        Check(again.Get(i) == list.Get(i), "reloaded line differs");
    Check(again.LineBreakStyle() == list.LineBreakStyle() || list.Count() == 0, "reload style differs");
    return 0;
}
