#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// How the main window's logic asks the user something. The window backend shows real dialogs;
// tests answer from a script (TScriptedUI). Everything here is plain data so that either side
// can be written without the other.

enum class TMsgDlgType : std::uint8_t { mtConfirmation, mtInformation, mtError };
enum class TMsgDlgButtons : std::uint8_t { mbOK, mbYesNo, mbYesNoCancel };
enum class TModalResult : std::uint8_t { mrNone, mrOk, mrCancel, mrYes, mrNo };

// Options of the open and save dialogs, as bits.
enum TOpenOption : std::uint32_t {
    ofReadOnly = 1 << 0, // the read-only box is ticked (in and out)
    ofHideReadOnly = 1 << 1, // no read-only box
    ofAllowMultiSelect = 1 << 2,
    ofPathMustExist = 1 << 3,
    ofFileMustExist = 1 << 4,
    ofEnableSizing = 1 << 5,
};
using TOpenOptions = std::uint32_t;

// The open dialog offers the read-only box and several files; neither dialog asks about
// overwriting, the program asks that itself.
inline constexpr TOpenOptions OpenDialogOptions
    = ofAllowMultiSelect | ofPathMustExist | ofFileMustExist | ofEnableSizing;
inline constexpr TOpenOptions SaveDialogOptions = ofHideReadOnly | ofEnableSizing;

// One file dialog. The main window keeps one object per dialog for the life of the program;
// showing it reads these fields and, when the user confirms, writes back the choice, the filter
// index and the folder, so the next use starts where the last one ended.
struct TFileDialog {
    std::string Title;
    // Pairs of description and masks separated by "|": "Text files (*.txt)|*.txt|All files (*.*)|*.*".
    std::string Filter;
    int FilterIndex = 1; // counted from 1
    std::string InitialDir;
    std::string FileName; // the proposed name; afterwards the (first) chosen file, full path
    std::vector<std::string> Files; // afterwards every chosen file in the dialog's order
    TOpenOptions Options = 0;
};

// The filter both file dialogs use: the highlighters' filter, then text files and all files.
std::string FileDialogFilter(std::string_view highlighterFilter);
// The design state of the dialogs: title, options, and the last filter ("All files").
TFileDialog MakeOpenDialog(std::string_view filter);
TFileDialog MakeSaveDialog(std::string_view filter);

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    // A message box with the program's title, an icon for the kind, and the buttons; returns the
    // button chosen. Closing the box counts as Cancel when there is one, else as No, else OK.
    virtual TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
    // A plain box with the text and OK.
    virtual void ShowMessage(std::string_view text) = 0;
    // True when the user chose a file (Files and FileName are then set); false on cancel.
    virtual bool ExecuteOpenDialog(TFileDialog& dialog) = 0;
    virtual bool ExecuteSaveDialog(TFileDialog& dialog) = 0;
    virtual void Beep() = 0;
};

// The silent abort: a command that the user cancelled ends by throwing this, and the error
// report shows nothing for it.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// The program's error report for an exception that ended a command: its message in an error box
// with OK; nothing for EAbort.
void ShowException(IUserInterface& ui, const std::exception& error);

} // namespace quillan
