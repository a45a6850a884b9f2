// CommDlg: the platform's common dialogs (open file, save file, colour, font,
// printer) and its help viewer behind 19 properties and one operation,
// Action, whose code chooses the dialog. A caller sets the properties, calls
// Action and reads the results; a cancelled or failed dialog raises
// RaisedError with the number 0.
#pragma once

#include <cstdint>
#include <string>

#include "common_dialog/raised_error.h"

namespace tolvane {

// A Boolean property: true reads back as -1, false as 0.
using Boolean = int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

class CommDlg {
  public:
    Boolean Bold() const { return bold_; }
    void Bold(bool bBold) { bold_ = bBold ? kTrue : kFalse; }
    std::wstring DefaultExt() const { return defaultExt_; }
    void DefaultExt(const std::wstring& sDefExt) { defaultExt_ = sDefExt; }
    std::wstring DialogTitle() const { return dialogTitle_; }
    void DialogTitle(const std::wstring& sTitle) { dialogTitle_ = sTitle; }
    std::wstring FileName() const { return fileName_; }
    void FileName(const std::wstring& sFileName) { fileName_ = sFileName; }
    std::wstring FileTitle() const { return fileTitle_; }
    void FileTitle(const std::wstring& sTitle) { fileTitle_ = sTitle; }
    std::wstring Filter() const { return filter_; }
    void Filter(const std::wstring& sFilter) { filter_ = sFilter; }
    int32_t FilterIndex() const { return filterIndex_; }
    void FilterIndex(int32_t lIndex) { filterIndex_ = lIndex; }
    int32_t flags() const { return flags_; }
    void flags(int32_t lFlags) { flags_ = lFlags; }
    std::wstring FontName() const { return fontName_; }
    void FontName(const std::wstring& sName) { fontName_ = sName; }
    int32_t FontSize() const { return fontSize_; }
    void FontSize(int32_t lSize) { fontSize_ = lSize; }
    int32_t HelpCommand() const { return helpCommand_; }
    void HelpCommand(int32_t lCommand) { helpCommand_ = lCommand; }
    std::wstring HelpFile() const { return helpFile_; }
    void HelpFile(const std::wstring& sFile) { helpFile_ = sFile; }
    std::wstring HelpKey() const { return helpKey_; }
    void HelpKey(const std::wstring& sKey) { helpKey_ = sKey; }
    std::wstring InitDir() const { return initDir_; }
    void InitDir(const std::wstring& sDir) { initDir_ = sDir; }

    // 1 open file, 2 save file, 3 colour, 4 font, 5 printer, 6 help; any
    // other code does nothing. Throws RaisedError.
    void Action(int16_t mAction);

    Boolean Italic() const { return italic_; }
    void Italic(bool BItalic) { italic_ = BItalic ? kTrue : kFalse; }
    // A window handle; after a confirmed printer dialog, the device context
    // that the dialog left in its record (the class has no other property
    // for it).
    int32_t Owner() const { return owner_; }
    void Owner(int32_t lOwner) { owner_ = lOwner; }
    int32_t RGBResult() const { return rgbResult_; }
    void RGBResult(int32_t lValue) { rgbResult_ = lValue; }
    Boolean StrikeThru() const { return strikeThru_; }
    void StrikeThru(bool bStrikethru) { strikeThru_ = bStrikethru ? kTrue : kFalse; }
    Boolean Underline() const { return underline_; }
    void Underline(bool bUnderline) { underline_ = bUnderline ? kTrue : kFalse; }

  private:
    // Codes 1 and 2 (open and save) and 6 (help) share one path.
    void RunFileAction(int16_t mAction);
    void RunColourAction();
    void RunFontAction();
    void RunPrinterAction();
    // An Owner of 0 becomes the active window, and stays so.
    void ApplyOwnerDefault();

    std::wstring fileName_;
    std::wstring fileTitle_;
    int32_t owner_ = 0;
    std::wstring dialogTitle_;
    std::wstring filter_;
    std::wstring initDir_;
    std::wstring defaultExt_;
    int32_t filterIndex_ = 0;
    int32_t flags_ = 0;
    std::wstring helpFile_;
    int32_t helpCommand_ = 0;
    std::wstring helpKey_;
    int32_t rgbResult_ = 0;
    Boolean italic_ = kFalse;
    Boolean underline_ = kFalse;
    Boolean strikeThru_ = kFalse;
    std::wstring fontName_;
    int32_t fontSize_ = 0;
    Boolean bold_ = kFalse;
};

}  // namespace tolvane
