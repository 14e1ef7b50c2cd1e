// Attribute codes of the panel runtime and the panels' ids and control numbers.
#pragma once

namespace ui {

// Attribute codes.
constexpr int kAttrVisible = 530;        // 0/1
constexpr int kAttrLeft = 531;           // px from the panel's left
constexpr int kAttrTop = 532;            // px from the panel's top
constexpr int kAttrFrameColor = 550;     // colour of the decoration box
constexpr int kAttrBackColor = 570;      // panel background
constexpr int kAttrLabelText = 641;      // text a meter shows
constexpr int kAttrTextColor = 680;
constexpr int kAttrTextFont = 682;       // typeface name
constexpr int kAttrTextPointSize = 686;
constexpr int kAttrTextBgColor = 690;
constexpr int kAttrTextJustify = 700;    // 0 left, 16 right, 32 centred
constexpr int kAttrCtrlColor = 880;      // colour of the indicator and meters
// Panel: the size its controls are drawn at, in percent (100 to 400). Every
// control's position, size and text size, as the panel file gives them and
// as they are set later, is multiplied by it; 100 draws them as given.
constexpr int kAttrScale = 1200;
// A control's width and height, in the panel file's pixels (drawn times the
// scale); read for a panel, its size as the panel file gives it.
constexpr int kAttrWidth = 1201;
constexpr int kAttrHeight = 1202;

constexpr int kJustifyLeft = 0;
constexpr int kJustifyRight = 16;
constexpr int kJustifyCentre = 32;

}  // namespace ui

// Panel ids in the panel file and their window titles.
namespace panel {

constexpr int kAboutId = 1;
constexpr int kEpgId = 2;
constexpr int kSettingsId = 3;
constexpr int kBannerId = 4;

constexpr const char* kBannerTitle = "Tavik";
constexpr const char* kSettingsTitle = "Settings";
constexpr const char* kAboutTitle = "About";
constexpr const char* kEpgTitle = "EPG";

// Banner controls.
constexpr int kClock = 4;
constexpr int kFrequency = 5;
constexpr int kPolarisation = 6;
constexpr int kCaText = 7;
constexpr int kChannelName = 8;
constexpr int kLogo = 9;
constexpr int kNowLine = 10;
constexpr int kNextLine = 11;
constexpr int kDetailBox = 12;
constexpr int kCaLed = 13;
constexpr int kQualityMeter = 14;
constexpr int kLevelMeter = 15;
// The present programme's progress (tavik.ini line 23): a bar and the minutes
// left beside it, hidden in the panel file.
constexpr int kProgressBar = 16;
constexpr int kProgressLabel = 17;
// The present programme's age and marks (tavik.ini line 25): labels 18 to 25,
// hidden in the panel file.
constexpr int kFirstMark = 18;
constexpr int kMarkLabels = 8;  // the age and the seven marks

// Settings panel controls, one per setting.
constexpr int kSetTitlemode = 2;
constexpr int kSetTimeshift = 3;
constexpr int kSetShowtime = 4;  // seconds, floating point
constexpr int kSetEpgtext = 6;
constexpr int kSetVideownd = 7;
constexpr int kSetStyle = 8;
constexpr int kSetEpgcolor = 9;
constexpr int kSetTextcolor = 10;
constexpr int kSetBackcolor = 11;
constexpr int kSetParkcursor = 12;
constexpr int kSetSlideout = 13;
constexpr int kSetShowdetails = 14;
constexpr int kSetShowsignal = 15;
constexpr int kSetEpgon = 16;
constexpr int kSetPostkey = 17;
constexpr int kSetAlpha = 21;
constexpr int kSetEpgchars = 22;
constexpr int kSetLocaltime = 23;
constexpr int kSetScale = 24;
constexpr int kSetSchedule = 27;
constexpr int kSetProgress = 28;
constexpr int kSetPlace = 29;
constexpr int kSetMarks = 31;

// About and EPG panels.
constexpr int kAboutVersion = 3;
constexpr int kEpgText = 3;
constexpr int kEpgChannel = 4;
constexpr int kEpgOk = 2;
constexpr int kEpgSchedule = 5;  // the list of the channel's events (tavik.ini line 22)

}  // namespace panel
