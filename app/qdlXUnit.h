// The main window's logic: its controls, settings file, caption and options.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/commandGuard.h"
#include "cad/connector.h"
#include "cad/updateTable.h"
#include "editor/blockOps.h"
#include "editor/qdlInputListUnit.h"
#include "editor/undoCells.h"
#include "platform/platform.h"
#include "table/qdlTable.h"
#include "table/tableModel.h"
#include "target/TaregetCADUnit.h"
#include "text/acadQDLTikanUnit.h"
#include "text/zenHanUtil.h"
#include "widgets/stringGrid.h"
#include "widgets/widgets.h"

namespace qx {

inline constexpr char16_t kApplicationTitle[] = u"QuadcelX";
inline constexpr char16_t kDesignedCaption[] = u"Quadrel 2023 for AutoCAD 2021～2023";
inline constexpr char16_t kDefaultProgID[] = u"BricscadApp.AcadApplication";

// Parses a decimal integer (optional sign, surrounding blanks); nullopt otherwise.
std::optional<std::int32_t> parseInteger(const std::u16string& s);
// The settings file: the executable's path with its extension replaced by ".ini".
std::u16string settingsPathFor(const std::u16string& exePath);
// Where the settings are read and written. Beside a program whose folder
// cannot be written they go to the user's application-data folder; the file
// beside the program still answers every key the other one lacks.
struct SettingsFiles {
    std::u16string write;
    std::vector<std::u16string> read;  // in order: a key missing from one is looked up in the next
};
SettingsFiles settingsFilesFor(const std::u16string& exePath, Folders* folders);
// The caption for a target: title " [ " name " ]" from the first line holding a tab
// immediately followed by progId; nullopt when no line does.
std::optional<std::u16string> captionFromTargetList(const std::vector<std::u16string>& lines,
                                                    const std::u16string& progId);

class VivazQDLForm : public Form {
public:
    // What the window needs from outside its own logic.
    struct Services {
        Platform platform;
        std::function<void()> registerFilter;  // the COM message filter
        std::function<void()> revokeFilter;
        // Lines of the target list file; empty when it does not exist.
        std::function<std::vector<std::u16string>()> readTargetList;
        cad::CadConnector* cad = nullptr;
        // The window itself: its handle, and minimising or restoring it.
        std::function<std::uint64_t()> ownHandle;
        std::function<void(bool minimized)> setMinimized;
        TInputListForm* inputList = nullptr;
        TnTextTikanForm* replaceForm = nullptr;
        TTargetCADForm* targetForm = nullptr;
        std::function<bool(int& x, int& y)> gridClientToScreen;
        // Makes the in-process fast path beside the executable loadable by
        // the CAD application (registers it for the user when needed).
        std::function<void()> registerFastPath;
        // Asks the window to close (as its close box does), once the stack has unwound.
        std::function<void()> closeWindow;
    };

    explicit VivazQDLForm(Services services);
    ~VivazQDLForm() override;

    void FormCreate();
    // Whether the window may close: asks first when edits would be lost.
    // While a command runs it never may: asked whether to stop it, the window
    // closes once the command has stopped.
    bool FormCloseQuery();
    void FormClose();  // writes the settings; never refuses
    // Some cell differs from what the drawing holds: an Update would write it,
    // or it holds text that no Update can place.
    bool hasUnsavedEdits() const;

    // The table the working grid shows: values and the drawing's texts behind them.
    TableModel table{5, 5};
    // Controls.
    Button Button1, Button2, SpeedButton1;
    Button StopButton;  // "中止", beside the progress: enabled while a Get or an Update runs
    CheckBox CheckBox1, CheckBox2, CheckBox3, CheckBox4;
    Edit Edit1;
    StringGrid StringGrid1{5, 5};
    // The snapshot: the working grid's texts after the latest Get or Update,
    // or just before the latest block edit.
    CellTexts StringGrid2{5, 5};
    Memo Memo1;
    ProgressBar ProgressBar1;
    StatusBar StatusBar1;
    std::vector<MenuItem> PopupMenu1;
    MenuItem& menuItem(const std::u16string& name);

    // State.
    std::u16string targetProgID = kDefaultProgID;
    bool fastPathEnabled = true;  // the settings' "FastPath"
    std::int32_t startCol = -1, startRow = -1;
    std::int32_t moveCol = 0, moveRow = 0, clickCol = 0, edtCol = 0, edtRow = 0, edtColOld = 0, edtRowOld = 0;
    TQdlLists lists;
    std::unique_ptr<TUndoCells> FUndoCells;
    GridRect edtSel, edtSelOld;
    BlockUndoState blockUndoState;  // undoSel

    // Handlers.
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void N24Click();
    void Button1Click();  // Get
    void Button2Click();  // Update
    void N6Click() { Button2Click(); }
    // The ten width conversions; the item tells which.
    void N8Click(const MenuItem& item);
    void N21Click();   // find and replace
    void N1Click();    // cut
    void N2Click();    // copy
    void N3Click();    // paste
    void CAD1Click();  // the target dialog
    // Rows of the table (rowCommands.cpp), waiting for the Update like text
    // edits and taken back by the block undo: an empty row above or below
    // the current one, the selected rows deleted, consecutive numbers in the
    // selected cells of the current column in the order the table grows.
    void insertRow(bool below);
    void deleteRows();
    void renumberColumn();
    // Which way the drawn table grows, as the pop-up menu sets it.
    RowGrowth rowGrowth();
    // A command that changes the working grid runs (it processes messages,
    // so input arrives meanwhile); grid input is then ignored.
    bool commandRunning() const { return commands_.running(); }
    // Esc or 中止: a running Get or Update stops before its next entity.
    void stopCommand();
    bool stopRequested() const { return stopRequested_; }

    // The working grid's handlers. KeyPress returns the character to keep (0 cancels).
    char16_t StringGrid1KeyPress(char16_t key, bool ctrl, bool shift);
    void StringGrid1KeyUp(std::uint16_t& key, unsigned modifiers);
    void StringGrid1SelectCell(int col, int row);
    void StringGrid1Click();
    void StringGrid1GetEditText(int col, int row);
    void StringGrid1SetEditText(int col, int row);
    void StringGrid1FixedCellClick(int col, int row);
    void StringGrid1MouseDown(bool leftButton, int col, int row);
    void StringGrid1MouseMove(int col, int row);
    void StringGrid1MouseUp();
    void SpeedButton1Click();
    void UNDO1Click();
    void StringGrid1DblClick();
    std::function<bool()> makeInputList;  // the candidate pop-up, wired by the window

    // First record of textAry with that object ID, -1 when none.
    int textIndexOfId(std::int64_t id) const;
    static std::u16string aboutText();

    // The table as drawn (cellMarks.cpp). After a refill: which borders the
    // drawing has. What an Update would do to a cell, for its tint. A repaint
    // for an Update, which changes records without changing cell texts; the
    // scope object runs it also when the Update fails half-way.
    void showDrawnBorders(double tolerance);
    // After rows were inserted, deleted or brought back: the borders shown follow the rows.
    void followRowsWithBorders();
    CellChange pendingChangeAt(int col, int row) const;
    // How the working grid draws a cell: grey where its column takes no new
    // text, tinted by what the next Update would do to it.
    CellLook StringGrid1DrawCell(int col, int row) const;
    void refreshPendingMarks();
    struct PendingMarksRefresh {
        VivazQDLForm& form;
        ~PendingMarksRefresh();
    };

    SettingsFiles settingsFiles();
    // The tolerance box as a number, 0.1 when it holds none.
    double tolerance();

private:
    void buildMenu();
    void buildCaption();
    // A block edit took its snapshot, or the block undo ran: the menu offers the undo.
    void offerBlockUndo();
    class FetchWindow;
    class UpdateWindow;
    void finishGet(const cad::Dispatch& document);
    // Rows holding values of several lines are as tall as their lines.
    void fitRowHeights();
    void fitRowHeight(int row);
    // A command through the guard; rows then fit what it left in the cells.
    template <typename F>
    bool runCommand(F&& command) {
        const bool ran = commands_.run(std::forward<F>(command));
        if (ran) {
            followRowsWithBorders();
            fitRowHeights();
            closeIfAsked();
        }
        return ran;
    }
    // Get and Update: stoppable, and their failures explained in Japanese.
    void runStoppable(const char16_t* name, const char16_t* failure, void (VivazQDLForm::*command)());
    // The window was asked to close while a command ran: now it may.
    void closeIfAsked();
    void bringCadToFront(const cad::Dispatch& app);
    void bringSelfToFront();
    // Whether the target is running; else another running target of the list
    // is offered (Yes/No), or a message says what to do. `command` names the
    // command in the messages.
    bool findRunningTarget(const std::u16string& command);
    void runGet();
    void runUpdate();
    // A row command as a block edit, which the block undo takes back.
    template <typename Change>
    void rowCommand(Change&& change);
    cad::Dispatch fastPathOf(const cad::Dispatch& app);
    Services s_;
    // Every command that changes the working grid goes through it.
    CommandGuard commands_;
    TextIndex textIndex_;
    // The drawing that textAry was read from; an Update writes only to it.
    cad::DocumentKey listsDocument_;
    bool filterRegistered_ = false;
    // The borders the drawing has, by the rows as they were drawn.
    std::optional<CellEdges> drawnEdges_;
    std::vector<std::int64_t> drawnEdgeRows_, shownEdgeRows_;
    const char16_t* stoppable_ = nullptr;  // the running Get or Update, by name
    bool stopRequested_ = false;
    bool closeWhenStopped_ = false;
};

}  // namespace qx
