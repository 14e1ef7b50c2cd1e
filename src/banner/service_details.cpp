// The banner's detail block: frequency, polarisation and CA system from the
// channel record, the host's signal reply, the two meters and the CA indicator.
#include <algorithm>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

struct CaRow {
  uint8_t code;
  const char* text;
};

// Conditional-access codes the hosts put in the record, with their short names.
// Every known code means a scrambled channel except 0.
const CaRow kCaTable[] = {
    {0, "FTA"},  {1, "SEC"},  {5, "VIA"},  {6, "IRD"},  {9, "VDG"},  {11, "CON"},
    {13, "CRY"}, {14, "PVU"}, {24, "NAG"}, {38, "BIS"}, {74, "SCR"},
};
constexpr const char* kCaOther = "OTH";

// Host thread only: written by OtherData, read by LevQuaCry.
struct DetailState {
  int32_t caState = banner::kCaFree;  // kept when a code is not in the table
  int32_t sigLevel = 0;
  int32_t sigQuality = 0;
  host::SignalReply signalReply = {};  // filled by the host; never cleared
};
DetailState details;

// Polarisation codes 13 and 1 are vertical; anything else is horizontal.
const char* PolarisationText(uint8_t code) {
  return (code == 13 || code == 1) ? "V" : "H";
}

int ClampComponent(float value) {
  // Values outside 0..100 push the ramp outside a colour byte; hold it inside.
  if (!(value > 0.0f)) return 0;
  if (value > 255.0f) return 255;
  return static_cast<int>(value);  // truncates toward zero
}

void PaintMeter(int bannerPanel, int control, int32_t value) {
  char text[16];
  FormatText(text, sizeof text, "%d", value);
  ui::SetCtrlAttribute(bannerPanel, control, ui::kAttrCtrlColor, MeterColour(value));
  ui::SetCtrlAttribute(bannerPanel, control, ui::kAttrLabelText, text);
}

}  // namespace

int32_t MeterColour(int32_t value) {
  // The product is rounded to single precision before it is used.
  float f = static_cast<float>(static_cast<double>(value) * banner::kRampScale);
  int red, green;
  if (value < banner::kRampThreshold) {
    red = 255;
    green = ClampComponent(f);
  } else {
    red = ClampComponent(banner::kRampTop - f);
    green = 255;
  }
  return ui::MakeColor(red, green, 0);
}

void LevQuaCry() {
  const int bannerPanel = panels.banner;
  PaintMeter(bannerPanel, panel::kLevelMeter, details.sigLevel);
  PaintMeter(bannerPanel, panel::kQualityMeter, details.sigQuality);
  if (details.caState == banner::kCaFree)
    ui::SetCtrlAttribute(bannerPanel, panel::kCaLed, ui::kAttrCtrlColor,
                         banner::kColourFreeToAir);
  else if (details.caState == banner::kCaScrambled)
    ui::SetCtrlAttribute(bannerPanel, panel::kCaLed, ui::kAttrCtrlColor,
                         banner::kColourScrambled);
}

void OtherData(const host::TProgram82& chan) {
  const int bannerPanel = panels.banner;
  const int32_t showsignal = settings.showsignal;
  const int32_t showdetails = settings.showdetails;
  ui::SetCtrlAttribute(bannerPanel, panel::kLevelMeter, ui::kAttrVisible, showsignal);
  ui::SetCtrlAttribute(bannerPanel, panel::kFrequency, ui::kAttrVisible, showdetails);
  ui::SetCtrlAttribute(bannerPanel, panel::kPolarisation, ui::kAttrVisible, showdetails);
  ui::SetCtrlAttribute(bannerPanel, panel::kCaText, ui::kAttrVisible, showdetails);

  // Hosts of the second and third family pass the frequency a thousand times
  // larger than it is shown; the first family and an unrecognised host pass
  // it as shown.
  const int32_t hostKind = HostKind();
  uint32_t frequency = RecordFrequency(chan);
  if (hostKind > banner::kHostSkyView) frequency /= 1000;
  char frequencyText[16];
  FormatText(frequencyText, sizeof frequencyText, "%u", static_cast<unsigned>(frequency));
  ui::SetCtrlVal(bannerPanel, panel::kFrequency, frequencyText);

  ui::SetCtrlVal(bannerPanel, panel::kPolarisation, PolarisationText(RecordPolarity(chan)));

  ui::SetCtrlVal(bannerPanel, panel::kCaText, kCaOther);
  const uint8_t ca = RecordCaSystem(chan);
  for (const CaRow& row : kCaTable) {
    if (row.code != ca) continue;
    ui::SetCtrlVal(bannerPanel, panel::kCaText, row.text);
    details.caState = row.code == 0 ? banner::kCaFree : banner::kCaScrambled;
    break;
  }

  if (hostKind <= banner::kHostNone) return;  // no host to ask: meters stay
  win32::SendMessageA(hostLink.hostWnd, host::kWmUser, host::kCmdSignalQuery,
                      reinterpret_cast<intptr_t>(&details.signalReply));
  details.sigLevel = banner::kLevelValue;
  details.sigQuality = details.signalReply.quality;
  LevQuaCry();
}

// Zeroes the detail state as at load (used by ResetBanner).
void ResetServiceDetails() { details = DetailState{}; }
