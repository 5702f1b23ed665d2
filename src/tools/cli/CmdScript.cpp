#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "editor/QuillEditMiscClasses.h"
#include "highlight/HighlighterFactory.h"
#include "tools/cli/CliCommand.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quillan::cli {

namespace {

// A failed instruction: its message is printed with the script's line number.
struct TScriptError {
    std::string Message;
};

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = text.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos)
            end = text.size();
        words.push_back(text.substr(start, end - start));
        pos = end;
    }
    return words;
}

int Number(std::string_view word)
{
    int value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size())
        throw TScriptError { "not a number: " + std::string(word) };
    return value;
}

std::vector<int> Numbers(std::string_view args, std::size_t count)
{
    std::vector<std::string_view> words = Words(args);
    if (words.size() != count)
        throw TScriptError { "expected " + std::to_string(count) + " numbers" };
    std::vector<int> out;
    for (std::string_view w : words)
        out.push_back(Number(w));
    return out;
}

const char* ModeName(TQuillSelectionMode mode)
{
    switch (mode) {
    case TQuillSelectionMode::smLine:
        return "line";
    case TQuillSelectionMode::smColumn:
        return "column";
    default:
        return "normal";
    }
}

// The character a key types when no binding takes it, as on a US layout.
std::optional<TQuillChar> KeyCharacter(TVirtualKey key, TShiftState shift)
{
    if (shift & (ssCtrl | ssAlt))
        return std::nullopt;
    bool shifted = shift & ssShift;
    if (key >= VK_A && key <= VK_Z)
        return static_cast<TQuillChar>(shifted ? key : key - 'A' + 'a');
    if (key >= VK_0 && key <= VK_9) {
        static constexpr char symbols[] = ")!@#$%^&*(";
        return static_cast<TQuillChar>(shifted ? symbols[key - VK_0] : key);
    }
    if (key == VK_SPACE)
        return U' ';
    return std::nullopt;
}

class TScriptRunner {
public:
    TScriptRunner()
        : FEdit(&FHost)
    {
        FEdit.OnReplaceText = [this](TCustomQuillEdit*, const std::string&, const std::string&, int line, int column,
                                  TQuillReplaceAction& action) { Prompt(line, column, action); };
    }

    TQuillEdit& Edit() { return FEdit; }
    void SetHighlighter(std::unique_ptr<TCustomHighlighter> highlighter)
    {
        FHighlighter = std::move(highlighter);
        FEdit.SetHighlighter(FHighlighter.get());
    }
    ~TScriptRunner() { FEdit.SetHighlighter(nullptr); }

    void Run(std::string_view instruction, std::string_view args);
    void Show();
    std::string& Out() { return FOut; }

private:
    void Prompt(int line, int column, TQuillReplaceAction& action);

    THeadlessHost FHost;
    TQuillEdit FEdit;
    std::unique_ptr<TCustomHighlighter> FHighlighter;
    std::vector<TQuillReplaceAction> FAnswers;
    std::size_t FNextAnswer = 0;
    bool FAnswersGiven = false;
    std::string FOut;
};

// Without answers given by `prompt`, a prompted replacement is simply made.
void TScriptRunner::Prompt(int line, int column, TQuillReplaceAction& action)
{
    if (!FAnswersGiven) {
        action = TQuillReplaceAction::rpReplace;
        return;
    }
    FOut += "prompt " + std::to_string(column) + ' ' + std::to_string(line) + '\n';
    action = FNextAnswer < FAnswers.size() ? FAnswers[FNextAnswer++] : TQuillReplaceAction::rpCancel;
}

void TScriptRunner::Show()
{
    TBufferCoord anchor = FEdit.SelAnchor();
    TBufferCoord end = FEdit.SelEnd();
    FOut += "caret " + std::to_string(FEdit.CaretColumn()) + ' ' + std::to_string(FEdit.CaretLine()) + '\n';
    FOut += "selection " + std::to_string(anchor.X) + ' ' + std::to_string(anchor.Y) + ' ' + std::to_string(end.X) + ' '
        + std::to_string(end.Y) + ' ' + ModeName(FEdit.SelectionMode()) + '\n';
    FOut += std::string("modified ") + (FEdit.Modified() ? "1" : "0") + '\n';
    FOut += "top " + std::to_string(FEdit.TopLine()) + " left " + std::to_string(FEdit.LeftChar()) + '\n';
    FOut += "bookmarks";
    for (int n = 0; n < 10; ++n) {
        int column = 0, line = 0;
        if (FEdit.GetBookMark(n, column, line))
            FOut += ' ' + std::to_string(n) + ':' + std::to_string(column) + ',' + std::to_string(line);
    }
    FOut += '\n';
    int count = FEdit.Lines().Count();
    FOut += "lines " + std::to_string(count) + '\n';
    for (int i = 0; i < count; ++i) {
        FOut += '|';
        FOut += Escape(FEdit.Lines().GetView(i));
        FOut += '\n';
    }
}

void TScriptRunner::Run(std::string_view instruction, std::string_view args)
{
    if (instruction == "key") {
        std::optional<TShortCut> shortCut = TextToShortCut(args);
        if (!shortCut)
            throw TScriptError { "unknown key: " + std::string(args) };
        TVirtualKey key = 0;
        TShiftState shift = 0;
        ShortCutToKey(*shortCut, key, shift);
        FEdit.KeyDown(key, shift);
        // The platform sends the character of the key press in any case; the keyboard flow
        // drops it when the key ran a command.
        if (std::optional<TQuillChar> ch = KeyCharacter(key, shift))
            FEdit.KeyPress(*ch);
    } else if (instruction == "type") {
        for (char32_t ch : utf8::Decode(Unescape(args)))
            FEdit.DispatchCommand(ecChar, ch);
    } else if (instruction == "cmd") {
        std::vector<std::string_view> words = Words(args);
        if (words.empty())
            throw TScriptError { "cmd needs a command name" };
        std::optional<TQuillEditorCommand> command = IdentToEditorCommand(words[0]);
        if (!command)
            throw TScriptError { "unknown command: " + std::string(words[0]) };
        TQuillCommandData data;
        if (*command == ecImeStr) {
            std::size_t at = args.find(words[0]) + words[0].size();
            data = Unescape(at < args.size() ? args.substr(at + 1) : std::string_view());
        } else if (words.size() == 3) {
            data = TBufferCoord { Number(words[1]), Number(words[2]) };
        } else if (words.size() != 1) {
            throw TScriptError { "cmd takes a name and optionally X Y" };
        }
        FEdit.DispatchCommand(*command, 0, data);
    } else if (instruction == "caret") {
        std::vector<int> n = Numbers(args, 2);
        FEdit.SetCaretPos({ n[0], n[1] });
    } else if (instruction == "select") {
        std::vector<int> n = Numbers(args, 4);
        FEdit.SetCaretPos({ n[2], n[3] });
        FEdit.SetSelAnchor({ n[0], n[1] });
        FEdit.SetSelEnd({ n[2], n[3] });
    } else if (instruction == "mode") {
        if (args == "normal")
            FEdit.SetSelectionMode(TQuillSelectionMode::smNormal);
        else if (args == "line")
            FEdit.SetSelectionMode(TQuillSelectionMode::smLine);
        else if (args == "column")
            FEdit.SetSelectionMode(TQuillSelectionMode::smColumn);
        else
            throw TScriptError { "unknown mode: " + std::string(args) };
    } else if (instruction == "option") {
        if (args.size() < 2 || (args[0] != '+' && args[0] != '-'))
            throw TScriptError { "option needs +eoName or -eoName" };
        std::optional<TQuillEditorOption> option = EditorOptionFromName(args.substr(1));
        if (!option)
            throw TScriptError { "unknown option: " + std::string(args.substr(1)) };
        TQuillEditorOptions options = FEdit.Options();
        if (args[0] == '+')
            options.Include(*option);
        else
            options.Exclude(*option);
        FEdit.SetOptions(options);
    } else if (instruction == "set") {
        std::vector<std::string_view> words = Words(args);
        if (words.size() != 2)
            throw TScriptError { "set needs a property and a value" };
        int value = Number(words[1]);
        if (words[0] == "TabWidth")
            FEdit.SetTabWidth(value);
        else if (words[0] == "MaxUndo")
            FEdit.SetMaxUndo(value);
        else if (words[0] == "RightEdge")
            FEdit.SetRightEdge(value);
        else if (words[0] == "MaxLeftChar")
            FEdit.SetMaxLeftChar(value);
        else if (words[0] == "ReadOnly")
            FEdit.SetReadOnly(value != 0);
        else if (words[0] == "InsertMode")
            FEdit.SetInsertMode(value != 0);
        else
            throw TScriptError { "unknown property: " + std::string(words[0]) };
    } else if (instruction == "size") {
        std::vector<int> n = Numbers(args, 2);
        FHost.SetClientSize({ n[0], n[1] });
        FEdit.Resize();
    } else if (instruction == "search") {
        std::size_t tab1 = args.find('\t');
        if (tab1 == std::string_view::npos)
            throw TScriptError { "search needs OPTIONS<TAB>SEARCH<TAB>REPLACE" };
        std::size_t tab2 = args.find('\t', tab1 + 1);
        std::string_view names = args.substr(0, tab1);
        std::string search = Unescape(args.substr(tab1 + 1, tab2 == std::string_view::npos ? tab2 : tab2 - tab1 - 1));
        std::string replace = tab2 == std::string_view::npos ? std::string() : Unescape(args.substr(tab2 + 1));
        TQuillSearchOptions options = 0;
        if (names != "-") {
            std::size_t pos = 0;
            while (pos <= names.size()) {
                std::size_t comma = names.find(',', pos);
                std::string_view name
                    = names.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
                std::optional<TQuillSearchOption> option = SearchOptionFromName(name);
                if (!option)
                    throw TScriptError { "unknown search option: " + std::string(name) };
                options |= *option;
                if (comma == std::string_view::npos)
                    break;
                pos = comma + 1;
            }
        }
        int found = FEdit.SearchReplace(search, replace, options);
        FOut += "found " + std::to_string(found) + '\n';
    } else if (instruction == "prompt") {
        // Answers for the prompts of the following searches, in order; one that runs out
        // cancels.
        FAnswers.clear();
        FNextAnswer = 0;
        FAnswersGiven = true;
        for (std::string_view word : Words(args)) {
            std::size_t pos = 0;
            while (pos < word.size()) {
                std::size_t comma = word.find(',', pos);
                std::string_view a = word.substr(pos, comma == std::string_view::npos ? word.npos : comma - pos);
                if (a == "cancel")
                    FAnswers.push_back(TQuillReplaceAction::rpCancel);
                else if (a == "skip")
                    FAnswers.push_back(TQuillReplaceAction::rpSkip);
                else if (a == "replace")
                    FAnswers.push_back(TQuillReplaceAction::rpReplace);
                else if (a == "all")
                    FAnswers.push_back(TQuillReplaceAction::rpReplaceAll);
                else
                    throw TScriptError { "unknown answer: " + std::string(a) };
                if (comma == std::string_view::npos)
                    break;
                pos = comma + 1;
            }
        }
    } else if (instruction == "clipboard") {
        FHost.HeadlessClipboard().SetText(Unescape(args));
    } else if (instruction == "bookmark") {
        int n = Number(args);
        if (n < 0 || n > 9)
            throw TScriptError { "bookmark numbers are 0 to 9" };
        FEdit.DispatchCommand(static_cast<TQuillEditorCommand>(ecSetMarker0 + n));
    } else if (instruction == "show") {
        Show();
    } else if (instruction == "save") {
        if (args.empty())
            throw TScriptError { "save needs a file name" };
        FEdit.Lines().SaveToFile(std::string(args));
    } else {
        throw TScriptError { "unknown instruction: " + std::string(instruction) };
    }
}

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

int Script(const std::vector<std::string>& args)
{
    const char* usage = "script: usage: script FILE SCRIPT [--lang cpp|pas|html|dfm]";
    std::string lang;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            if (i + 1 >= args.size())
                return Fail("script: --lang needs a language (cpp, pas, html, dfm)");
            lang = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2)
        return Fail(usage);
    const std::string& file = files[0];
    std::string script;
    if (!ReadFile(files[1], script))
        return Fail("script: cannot read " + files[1]);

    TScriptRunner runner;
    try {
        runner.Edit().Lines().LoadFromFile(file);
    } catch (const std::exception& e) {
        return Fail(std::string("script: ") + e.what());
    }
    if (lang.empty())
        lang = LanguageForFileName(file);
    if (!lang.empty()) {
        std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter(lang);
        if (!highlighter)
            return Fail("script: unknown language: " + lang);
        runner.SetHighlighter(std::move(highlighter));
    }

    int lineNo = 0;
    std::size_t pos = 0;
    int status = 0;
    while (pos < script.size()) {
        std::size_t nl = script.find('\n', pos);
        std::string_view line(script.data() + pos, (nl == std::string::npos ? script.size() : nl) - pos);
        pos = nl == std::string::npos ? script.size() : nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#' || line.find_first_not_of(' ') == std::string_view::npos)
            continue;
        std::size_t space = line.find(' ');
        std::string_view instruction = line.substr(0, space);
        std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        try {
            runner.Run(instruction, rest);
        } catch (const TScriptError& e) {
            status = Fail("script: line " + std::to_string(lineNo) + ": " + e.Message);
        } catch (const std::exception& e) {
            status = Fail("script: line " + std::to_string(lineNo) + ": " + e.what());
        }
        if (status != 0)
            break;
    }
    if (status == 0)
        runner.Show();
    std::fwrite(runner.Out().data(), 1, runner.Out().size(), stdout);
    if (std::fflush(stdout) != 0)
        return Fail("script: cannot write the output");
    return status;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_COMMAND(script, "script",
    "FILE SCRIPT [--lang cpp|pas|html|dfm]   run editing instructions on FILE and print the state",
    quillan::cli::Script);
