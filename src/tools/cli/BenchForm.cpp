#include "highlight/FormStream.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <string>

namespace quillan::cli {

namespace {

// Writes a binary object stream directly, so that the benchmark does not time one direction of
// the conversion to build the input of the other.
class TStreamBuilder {
public:
    std::string Out = "TPF0";

    void Byte(unsigned v) { Out += static_cast<char>(v); }
    void LE(std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i, v >>= 8)
            Byte(v & 0xFF);
    }
    void Short(std::string_view s)
    {
        Byte(static_cast<unsigned>(s.size()));
        Out += s;
    }
    void Int(std::string_view name, long long v)
    {
        Short(name);
        if (v >= -128 && v <= 127) {
            Byte(vaInt8);
            LE(static_cast<std::uint64_t>(v), 1);
        } else if (v >= -32768 && v <= 32767) {
            Byte(vaInt16);
            LE(static_cast<std::uint64_t>(v), 2);
        } else {
            Byte(vaInt32);
            LE(static_cast<std::uint64_t>(v), 4);
        }
    }
    void String(std::string_view s)
    {
        if (s.size() < 256) {
            Byte(vaString);
            Short(s);
        } else {
            Byte(vaLString);
            LE(s.size(), 4);
            Out += s;
        }
    }
    void Float(TFloatLayout layout, TFormValueType type, const char* text)
    {
        TBinaryFloat f;
        ParseFormFloat(text, layout, f);
        unsigned char bytes[10];
        EncodeFloat(layout, f, bytes);
        Byte(type);
        Out.append(reinterpret_cast<const char*>(bytes), FloatLayoutSize(layout));
    }
};

void Control(TStreamBuilder& b, int index, int depth)
{
    const std::string name = "Control" + std::to_string(index);
    b.Short(depth == 0 ? "TPanel" : "TEdit");
    b.Short(name);
    b.Int("Left", index % 640);
    b.Int("Top", (index * 37) % 100000 - 5000);
    b.Int("Width", 75);
    b.Int("Tag", index * 1000);
    b.Short("Caption");
    b.String("Caption of " + name + " with a quote ' and a tab\t");
    b.Short("Hint");
    std::string hint;
    for (int k = 0; k < 6; ++k)
        hint += "A longer hint that wraps over several lines of the text form, ";
    b.String(hint);
    b.Short("Font.Style");
    b.Byte(vaSet);
    b.Short("fsBold");
    b.Short("fsUnderline");
    b.Short("");
    b.Short("Scale");
    b.Float(TFloatLayout::flExtended, vaExtended, "1.25");
    b.Short("Opacity");
    b.Float(TFloatLayout::flSingle, vaSingle, "0.75");
    b.Short("Created");
    b.Float(TFloatLayout::flDouble, vaDate, "36526.5");
    b.Short("Price");
    b.Byte(vaCurrency);
    b.LE(static_cast<std::uint64_t>(index) * 12345, 8);
    b.Short("Enabled");
    b.Byte(index % 2 ? vaTrue : vaFalse);
    b.Short("PopupMenu");
    b.Byte(vaNil);
    b.Short("Action");
    b.Byte(vaIdent);
    b.Short("Form1.Action" + std::to_string(index % 10));
    b.Short("WideCaption");
    b.Byte(vaWString);
    const char16_t wide[] = u"Gr\u00FC\u00DFe \u4E16\u754C";
    const std::size_t wideLength = sizeof wide / sizeof wide[0] - 1;
    b.LE(wideLength, 4);
    for (std::size_t k = 0; k < wideLength; ++k)
        b.LE(wide[k], 2);
    b.Short("Picture.Data");
    b.Byte(vaBinary);
    const std::size_t blob = 1024 + static_cast<std::size_t>(index % 7) * 256;
    b.LE(blob, 4);
    for (std::size_t k = 0; k < blob; ++k)
        b.Byte(static_cast<unsigned>((k * 131 + static_cast<std::size_t>(index)) & 0xFF));
    b.Short("Lines.Strings");
    b.Byte(vaList);
    for (int k = 0; k < 5; ++k)
        b.String("line " + std::to_string(k) + "\r\n");
    b.Byte(0);
    b.Short("Columns");
    b.Byte(vaCollection);
    for (int k = 0; k < 3; ++k) {
        if (k == 1) {
            b.Byte(vaInt8);
            b.Byte(7);
        }
        b.Byte(vaList);
        b.Int("Width", 64 + k);
        b.Short("Title.Caption");
        b.String("Column " + std::to_string(k));
        b.Byte(0);
    }
    b.Byte(0);
    b.Byte(0); // end of properties
    if (depth < 2 && index % 10 == 0)
        for (int k = 1; k <= 3; ++k)
            Control(b, index * 100 + k, depth + 1);
    b.Byte(0); // end of children
}

std::string GenerateForm(std::size_t targetBytes)
{
    TStreamBuilder b;
    b.Short("TMainForm");
    b.Short("MainForm");
    b.Int("Left", 192);
    b.Short("Caption");
    b.String("Generated form");
    b.Byte(0);
    for (int i = 0; b.Out.size() < targetBytes; ++i)
        Control(b, i, 0);
    b.Byte(0);
    return std::move(b.Out);
}

int BenchForm(const std::vector<std::string>&)
{
    const std::string stream = GenerateForm(10u << 20);
    std::string text, back;
    const double toText = bench::BestSeconds(3, [&] { text = FormBinaryToText(stream); });
    const double toBinary = bench::BestSeconds(3, [&] { back = FormTextToBinary(text); });
    const double copy = bench::BestSeconds(3, [&] {
        std::string c(stream);
        asm volatile("" : : "r"(c.data()) : "memory");
    });

    std::printf("stream %.1f MB, text %.1f MB, round trip %s\n", stream.size() / 1048576.0, text.size() / 1048576.0,
        back == stream ? "identical" : "DIFFERS");
    bench::Report("baseline: copy the stream's bytes once", copy);
    bench::Report("binary to text (FormBinaryToText)", toText);
    bench::Report("text to binary (FormTextToBinary)", toBinary);
    std::printf("%-48s %10.1f MB/s\n", "binary to text, stream bytes", stream.size() / 1048576.0 / toText);
    std::printf("%-48s %10.1f MB/s\n", "text to binary, text bytes", text.size() / 1048576.0 / toBinary);
    bench::ReportRatio("binary to text / 1 s", toText, 0.5);
    bench::ReportRatio("text to binary / 1 s", toBinary, 0.5);
    return back == stream ? 0 : 1;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(form, "form", "  convert a generated 10 MB form stream to text and back", quillan::cli::BenchForm);
