#include "mapconv/main_layout.h"

// One literal line per entry: the name and its blank, then the value (numbers
// big-endian, a string as its 4-byte count and its bytes). The lists hold NUL
// bytes, so their views are sized from the arrays, less the final NUL.

namespace mapconv {

namespace {

// The main window: 300 x 600, at least 300 x 300, titled "Orvistella".
constexpr char kMainWindowBytes[] =
    "Placement \x00\x00\x00\x00"
    "Width \x00\x00\x01\x2C"
    "Height \x00\x00\x02\x58"
    "MinWidth \x00\x00\x01\x2C"
    "MinHeight \x00\x00\x01\x2C"
    "MaxWidth \x00\x00\x7D\x00"
    "MaxHeight \x00\x00\x7D\x00"
    "Frame \x00\x00\x00\x00"
    "Composite \x00"
    "HasBackColor \x00"
    "BackColor \xFF\xFF\xFF"
    "Title \x00\x00\x00\x0A" "Orvistella"
    "Visible \x01"
    "FullScreen \x00"
    "MenuBarVisible \x01"
    "CloseButton \x01"
    "Resizeable \x01"
    "LiveResize \x00"
    "MaximizeButton \x01"
    "MinimizeButton \x01"
    "BalloonHelp \x00\x00\x00\x00"
    "MacProcID \x00\x00\x00\x00"
    ;  // 293 bytes

// PushButton1, the "Open..." button.
constexpr char kPushButton1Bytes[] =
    "Name \x00\x00\x00\x0B" "PushButton1"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x14"
    "Top \x00\x00\x00\x0E"
    "Width \x00\x00\x00\x45"
    "Height \x00\x00\x00\x14"
    "LockLeft \x00"
    "LockTop \x00"
    "LockRight \x00"
    "LockBottom \x00"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x00"
    "Caption \x00\x00\x00\x07" "Open..."
    "Default \x00"
    "Cancel \x00"
    "Enabled \x01"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x0C"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 298 bytes

// LBraw, the header list; before the first file it shows the help text, rows separated by CR.
constexpr char kLBrawBytes[] =
    "Name \x00\x00\x00\x05" "LBraw"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x14"
    "Top \x00\x00\x00\x4A"
    "Width \x00\x00\x01\x04"
    "Height \x00\x00\x00\xCE"
    "LockLeft \x01"
    "LockTop \x01"
    "LockRight \x01"
    "LockBottom \x01"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x01"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "Enabled \x01"
    "ColumnCount \x00\x00\x00\x01"
    "ColumnWidths \x00\x00\x00\x00"
    "HasHeading \x00"
    "UseFocusRing \x00"
    "InitialValue \x00\x00\x00\x8A" "\r"
    "\r"
    "Program to open .map and .sem\r"
    "data files from PHI\r"
    "\r"
    "Click 'Open...' to open a single file\r"
    "\r"
    "-OR-\r"
    "\r"
    "Drag one or more files into this \r"
    "window"
    "HeadingIndex \xFF\xFF\xFF\xFF"
    "ScrollbarHorizontal \x00"
    "ScrollBarVertical \x01"
    "GridLinesHorizontal \x00\x00\x00\x00"
    "GridLinesVertical \x00\x00\x00\x00"
    "DefaultRowHeight \xFF\xFF\xFF\xFF"
    "_ScrollWidth \xFF\xFF\xFF\xFF"
    "_ScrollOffset \x00\x00\x00\x00"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x0C"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "Hierarchical \x00"
    "EnableDrag \x00"
    "EnableDragReorder \x00"
    "RequiresSelection \x00"
    "SelectionType \x00\x00\x00\x00"
    "ColumnsResizable \x00"
    "AutoHideScrollbars \x01"
    "DataSource \x00\x00\x00\x00"
    "DataField \x00\x00\x00\x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 778 bytes

// LBresults, the results list; it follows the window's bottom edge at its own height.
constexpr char kLBresultsBytes[] =
    "Name \x00\x00\x00\x09" "LBresults"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x14"
    "Top \x00\x00\x01\x24"
    "Width \x00\x00\x01\x04"
    "Height \x00\x00\x01\x20"
    "LockLeft \x01"
    "LockTop \x00"
    "LockRight \x01"
    "LockBottom \x01"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x02"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "Enabled \x01"
    "ColumnCount \x00\x00\x00\x01"
    "ColumnWidths \x00\x00\x00\x00"
    "HasHeading \x00"
    "UseFocusRing \x01"
    "InitialValue \x00\x00\x00\x00"
    "HeadingIndex \xFF\xFF\xFF\xFF"
    "ScrollbarHorizontal \x00"
    "ScrollBarVertical \x01"
    "GridLinesHorizontal \x00\x00\x00\x00"
    "GridLinesVertical \x00\x00\x00\x00"
    "DefaultRowHeight \xFF\xFF\xFF\xFF"
    "_ScrollWidth \xFF\xFF\xFF\xFF"
    "_ScrollOffset \x00\x00\x00\x00"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x0C"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "Hierarchical \x00"
    "EnableDrag \x00"
    "EnableDragReorder \x00"
    "RequiresSelection \x00"
    "SelectionType \x00\x00\x00\x00"
    "ColumnsResizable \x00"
    "AutoHideScrollbars \x01"
    "DataSource \x00\x00\x00\x00"
    "DataField \x00\x00\x00\x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 644 bytes

// STfilename, the current file's name.
constexpr char kSTfilenameBytes[] =
    "Name \x00\x00\x00\x0A" "STfilename"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x65"
    "Top \x00\x00\x00\x2B"
    "Width \x00\x00\x00\x8C"
    "Height \x00\x00\x00\x14"
    "LockLeft \x00"
    "LockTop \x00"
    "LockRight \x00"
    "LockBottom \x00"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x03"
    "Text \x00\x00\x00\x00"
    "TextAlign \x00\x00\x00\x00"
    "TextColor \x00\x00\x00"
    "Multiline \x00"
    "Enabled \x01"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x0C"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "DataSource \x00\x00\x00\x00"
    "DataField \x00\x00\x00\x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 337 bytes

// CB_autosave, "Auto-save PNG Files", ticked at start.
constexpr char kCB_autosaveBytes[] =
    "Name \x00\x00\x00\x0B" "CB_autosave"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x6E"
    "Top \x00\x00\x00\x0E"
    "Width \x00\x00\x00\x8C"
    "Height \x00\x00\x00\x14"
    "LockLeft \x00"
    "LockTop \x00"
    "LockRight \x00"
    "LockBottom \x00"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x04"
    "Caption \x00\x00\x00\x13" "Auto-save PNG Files"
    "Enabled \x01"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x0C"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "Value \x01"
    "DataSource \x00\x00\x00\x00"
    "DataField \x00\x00\x00\x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 329 bytes

static_assert(sizeof(kMainWindowBytes) - 1 == 293);
static_assert(sizeof(kPushButton1Bytes) - 1 == 298);
static_assert(sizeof(kLBrawBytes) - 1 == 778);
static_assert(sizeof(kLBresultsBytes) - 1 == 644);
static_assert(sizeof(kSTfilenameBytes) - 1 == 337);
static_assert(sizeof(kCB_autosaveBytes) - 1 == 329);

}  // namespace

const std::string_view kMainWindowProperties(kMainWindowBytes, sizeof(kMainWindowBytes) - 1);
const std::string_view kPushButton1Properties(kPushButton1Bytes, sizeof(kPushButton1Bytes) - 1);
const std::string_view kLBrawProperties(kLBrawBytes, sizeof(kLBrawBytes) - 1);
const std::string_view kLBresultsProperties(kLBresultsBytes, sizeof(kLBresultsBytes) - 1);
const std::string_view kSTfilenameProperties(kSTfilenameBytes, sizeof(kSTfilenameBytes) - 1);
const std::string_view kCB_autosaveProperties(kCB_autosaveBytes, sizeof(kCB_autosaveBytes) - 1);

}  // namespace mapconv
