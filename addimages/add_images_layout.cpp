#include "addimages/add_images_layout.h"

// One literal line per entry: the name and its blank, then the value (numbers
// big-endian, a string as its 4-byte count and its bytes). The lists hold NUL
// bytes, so their views are sized from the arrays, less the final NUL.

namespace addimages {

namespace {

// The Add Images window: 300 x 300, at least 64 x 64, live resizing, no maximize button.
constexpr char kAddImagesWindowBytes[] =
    "Placement \x00\x00\x00\x00"
    "Width \x00\x00\x01\x2C"
    "Height \x00\x00\x01\x2C"
    "MinWidth \x00\x00\x00\x40"
    "MinHeight \x00\x00\x00\x40"
    "MaxWidth \x00\x00\x7D\x00"
    "MaxHeight \x00\x00\x7D\x00"
    "Frame \x00\x00\x00\x00"
    "Composite \x00"
    "HasBackColor \x00"
    "BackColor \xFF\xFF\xFF"
    "Title \x00\x00\x00\x0A" "Add Images"
    "Visible \x01"
    "FullScreen \x00"
    "MenuBarVisible \x01"
    "CloseButton \x01"
    "Resizeable \x01"
    "LiveResize \x01"
    "MaximizeButton \x00"
    "MinimizeButton \x01"
    "BalloonHelp \x00\x00\x00\x00"
    "MacProcID \x00\x00\x00\x00"
    ;  // 293 bytes

// ST, the instruction text, locked on all four sides.
constexpr char kSTBytes[] =
    "Name \x00\x00\x00\x02" "ST"
    "Index \x80\x00\x00\x00"
    "Left \x00\x00\x00\x14"
    "Top \x00\x00\x00\x0E"
    "Width \x00\x00\x01\x04"
    "Height \x00\x00\x01\x0A"
    "LockLeft \x01"
    "LockTop \x01"
    "LockRight \x01"
    "LockBottom \x01"
    "TabPanelIndex \x00\x00\x00\x00"
    "TabIndex \x00\x00\x00\x00"
    "Text \x00\x00\x00\x45" "Drag Auger .MAP files into this window for element-by-element adding."
    "TextAlign \x00\x00\x00\x01"
    "TextColor \x00\x00\x00"
    "Multiline \x01"
    "Enabled \x01"
    "Visible \x01"
    "HelpTag \x00\x00\x00\x00"
    "AutoDeactivate \x01"
    "TextFont \x00\x00\x00\x06" "System"
    "TextSize \x00\x00\x00\x00"
    "Bold \x00"
    "Italic \x00"
    "Underline \x00"
    "DataSource \x00\x00\x00\x00"
    "DataField \x00\x00\x00\x00"
    "InitialParent \x00\x00\x00\x00"
    ;  // 398 bytes

static_assert(sizeof(kAddImagesWindowBytes) - 1 == 293);
static_assert(sizeof(kSTBytes) - 1 == 398);

}  // namespace

const std::string_view kAddImagesWindowProperties(kAddImagesWindowBytes, sizeof(kAddImagesWindowBytes) - 1);
const std::string_view kSTProperties(kSTBytes, sizeof(kSTBytes) - 1);

}  // namespace addimages
