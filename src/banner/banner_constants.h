// Fixed numbers of the banner: geometry, tick thresholds, keys and codes.
#pragma once

#include <cstdint>

namespace banner {

// Banner window inside its area: 30 px in from the sides, 40 px above the bottom
// (or below the top).
constexpr int32_t kSideMargin = 30;
constexpr int32_t kBottomMargin = 40;
// The banner's place (tavik.ini line 24): 0 at the bottom, 1 at the top, 2 to
// 95 its lower edge that many percent of the area's height up.
constexpr int32_t kPlaceTop = 1;
constexpr int32_t kPlacePercentFirst = 2;
constexpr int32_t kPlacePercentLast = 95;

// Left positions of the detail block, counted back from the area's width.
constexpr int32_t kDetailBoxFromRight = 165;
constexpr int32_t kLevelMeterFromRight = 157;
constexpr int32_t kQualityMeterFromRight = 127;
constexpr int32_t kCaLedFromRight = 97;
constexpr int32_t kClockFromRight = 150;
constexpr int32_t kFrequencyFromRight = 160;
constexpr int32_t kPolarisationFromRight = 115;
constexpr int32_t kCaTextFromRight = 93;
// Text lines justified right start here, counted back from the area's width.
constexpr int32_t kRightLinesFromRight = 190;
// Centred text lines: (width - 80) / 2.
constexpr int32_t kCentredLinesInset = 80;
// A narrow banner (tavik.ini line 21 other than 0) leaves out the detail
// block, then the logo (whose left edge the lines then take), before its
// text lines have less room than this many of the name's text sizes (about
// ten letters) or of the programme lines' (their time and a dozen letters);
// with all left out, a name too large for that is drawn smaller, down to
// kNarrowNameMin px.
constexpr int32_t kLogoLeft = 12;
constexpr int32_t kNarrowNameSizes = 6;
constexpr int32_t kNarrowLineSizes = 12;
constexpr int32_t kNarrowNameMin = 14;

// Timer ticks.
constexpr int32_t kCountdownTicks = 5;   // first channel change's silent countdown
constexpr int32_t kTicksAfterKeyP = 10;  // banner by key P: 40 ticks left
constexpr int32_t kTicksAfterKeyO = 5;   // EPG panel by key O: 45 ticks left
constexpr int32_t kSlideFromTick = 45;   // slide steps while tickCount > 45
constexpr int32_t kHideAfterTick = 50;   // hide when tickCount > 50
constexpr int32_t kSlideSteps = 5;

// The banner's size (tavik.ini line 21): percent, or automatic.
constexpr int32_t kScaleAutomatic = -1;
constexpr int32_t kMinScale = 100;
constexpr int32_t kMaxScale = 300;
constexpr int32_t kScaleStep = 25;               // automatic: rounded to 25 %
constexpr int32_t kScaleReferenceHeight = 1024;  // automatic: an area this high is 100 %
constexpr int32_t kScaleReferenceDpi = 96;       // and so is a window at this DPI

// Keys and the injected post-start key.
constexpr int kVkP = 0x50;
constexpr int kVkO = 0x4F;
constexpr int32_t kPostKeyAbove = 32;    // only codes above 32 are sent
constexpr uint32_t kPostKeyFlags = 0x101;

// Host families.
constexpr int32_t kHostNone = 0;
constexpr int32_t kHostSkyView = 100;    // also DVB Viewer and the ActiveMovie video window
constexpr int32_t kHostAltDvb = 101;
constexpr int32_t kHostProgDvb = 102;

// Title limits of the window probes (characters + NUL).
constexpr int kTopTitleLimit = 8;
constexpr int kVideoTitleLimit = 16;
constexpr int kDiagnosticTitleLimit = 32;
constexpr int kProbeGrid = 200;          // video probe grid spacing in px
constexpr int kNameCompareChars = 8;

// The programme's progress beside the present line (tavik.ini line 23), in
// the panel file's pixels and in text sizes of that line.
constexpr int32_t kLinesLeft = 110;            // the text lines' left edge in the panel file
constexpr int64_t kProgressClockSlack = 3600;  // s the PC's clock may be off the programme
constexpr int kProgressLabelSizes = 9;         // the minutes' room: 9 half text sizes
constexpr int kProgressBarSizes = 7;           // the bar's width, or less on a narrow banner
constexpr int kProgressBarMinSizes = 3;        // narrower than this: no progress at all
constexpr int kProgressLineRoom = 10;          // the present line keeps this much room
// The bar's least height in pixels: its sunken edge and the margin inside it
// take 2 px at each side, so 6 leave a fill 2 px high (at 4 none shows).
constexpr int kProgressBarMinHeight = 6;

// EPG panel placement by key O and the menu (without the schedule: this size).
constexpr int kEpgX = 50, kEpgY = 50, kEpgWidth = 420, kEpgHeight = 420;
// The schedule in the EPG panel (tavik.ini line 22).
constexpr int kEpgButtonGap = 10;         // px between the list and the OK button
constexpr int kMaxScheduleRows = 1024;    // rows the list shows: three weeks and more

// Meters and CA indicator.
constexpr int32_t kLevelValue = 100;     // the level meter always shows 100
constexpr int32_t kRampThreshold = 50;
constexpr double kRampScale = 5.1;
constexpr float kRampTop = 510.0f;
constexpr int32_t kColourFreeToAir = 0xC0C0C0;
constexpr int32_t kColourScrambled = 0x00FF00;
constexpr int32_t kCaFree = 0;
constexpr int32_t kCaScrambled = 2;

// Buffer sizes.
constexpr int kLogoPathSize = 256;       // 255 characters
constexpr int kClockSize = 16;
constexpr int kNameSize = 92;
constexpr int kNowTextSize = 1024;

}  // namespace banner
