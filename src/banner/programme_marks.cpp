// The present programme's age and marks on the banner (tavik.ini line 25):
// small labels ("12+", "HD", "AD", ...) left of the progress, or at the end of
// the present line without it, each lit only when the event's own
// descriptors say so.
#include <atomic>
#include <cstring>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "common/text.h"
#include "guide/event_marks.h"
#include "guide/schedule.h"
#include "platform/lock.h"
#include "runtime/text_room.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

constexpr int kLabels = panel::kMarkLabels;
constexpr size_t kLabelText = sizeof guide::PresentMarks::age;
constexpr int kMarkGap = 4;  // px between two labels

// What the labels show, so that a tick changes them only when something
// changed. As with the progress, the channel change counts its hides, and a
// show decided from figures read before a hide is dropped; the lock is held
// across the runtime calls that carry a decision out.
struct Labels {
  int count = 0;
  char texts[kLabels][kLabelText] = {};
  int lefts[kLabels] = {};
  int widths[kLabels] = {};
  int top = 0, height = 0, textSize = 0;
  int colour = -1, back = -1;
};
Lock labelsLock;
Labels labels TAVIK_GUARDED_BY(labelsLock);
std::atomic<uint32_t> hides{0};  // changed only under labelsLock

bool Same(const Labels& a, const Labels& b) {
  if (a.count != b.count || a.top != b.top || a.height != b.height ||
      a.textSize != b.textSize || a.colour != b.colour || a.back != b.back)
    return false;
  for (int i = 0; i < a.count; ++i)
    if (a.lefts[i] != b.lefts[i] || a.widths[i] != b.widths[i] ||
        std::strcmp(a.texts[i], b.texts[i]) != 0)
      return false;
  return true;
}

// The present event's age and marks as texts, age first; how many.
int WantedTexts(char (*texts)[kLabelText]) {
  guide::PresentMarks present;
  if (settings.marks != 1 || !guide::CopyPresentMarks(&present)) return 0;
  int count = 0;
  if (present.age[0] != '\0') CopyText(texts[count++], kLabelText, present.age);
  const char* marks[guide::kMarkCount];
  const size_t n = guide::MarkTexts(present.marks, marks, guide::kMarkCount);
  for (size_t i = 0; i < n && count < kLabels; ++i) CopyText(texts[count++], kLabelText, marks[i]);
  return count;
}

// Where the labels go on the banner as it is now; count 0 when none fit.
void Lay(int bannerPanel, Labels* want) {
  if (want->count == 0 ||
      !PresentLineRow(bannerPanel, &want->top, &want->height, &want->textSize)) {
    want->count = 0;
    return;
  }
  const BannerState area = BannerSnapshot();
  // A banner narrowed for its name has no room for them, as for the details.
  if (area.narrowLevel != kNarrowNone) {
    want->count = 0;
    return;
  }
  const int32_t width = static_cast<int32_t>(int64_t(area.areaWidth) * 100 / area.scale);
  const int bar = ProgressBarLeft();
  const int end = bar >= 0 ? bar - ui::kRoomGap
                           : width - banner::kDetailBoxFromRight - ui::kRoomGap;
  const int lineEnd = banner::kLinesLeft + want->textSize * banner::kProgressLineRoom;
  for (int i = 0; i < want->count; ++i) want->widths[i] = MarkWidth(want->texts[i], want->textSize);
  want->count = PlaceMarks(want->widths, want->count, end, lineEnd, want->lefts);
}

void HideFrom(int bannerPanel, int first, int last) {
  for (int i = first; i < last; ++i)
    ui::SetCtrlAttribute(bannerPanel, panel::kFirstMark + i, ui::kAttrVisible, 0);
}

// One label at its place, in the banner's colours turned about: the
// programme lines' colour behind the background's, so it reads as a badge.
void Show(int bannerPanel, const Labels& l, int i) {
  const int c = panel::kFirstMark + i;
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrLeft, l.lefts[i]);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrTop, l.top);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrWidth, l.widths[i]);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrHeight, l.height);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrTextPointSize, l.textSize);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrTextColor, l.back);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrTextBgColor, l.colour);
  ui::SetCtrlVal(bannerPanel, c, l.texts[i]);
  ui::SetCtrlAttribute(bannerPanel, c, ui::kAttrVisible, 1);
}

}  // namespace

int MarkWidth(const char* text, int textSize) {
  // Wide enough for the text in any of the banner's typefaces (at most six
  // tenths of the size a character on average), and half a size about it.
  const int chars = static_cast<int>(BoundedLength(text, kLabelText));
  return (textSize * (6 * chars + 6) + 9) / 10;
}

int PlaceMarks(const int* widths, int count, int end, int lineEnd, int* lefts) {
  for (; count > 0; --count) {
    int total = 0;
    for (int i = 0; i < count; ++i) total += widths[i] + (i > 0 ? kMarkGap : 0);
    if (end - total >= lineEnd) {
      int left = end - total;
      for (int i = 0; i < count; ++i) {
        lefts[i] = left;
        left += widths[i] + kMarkGap;
      }
      return count;
    }
  }
  return 0;
}

void UpdateProgrammeMarks(int bannerPanel) {
  const uint32_t hidesBefore = hides.load();
  Labels want;
  want.count = WantedTexts(want.texts);
  Lay(bannerPanel, &want);
  want.colour = settings.epgcolor;
  want.back = settings.backcolor;

  LockGuard guard(labelsLock);
  if (hides.load() != hidesBefore) return;  // a channel change came between
  if (want.count == 0 && labels.count == 0) return;
  if (Same(want, labels)) return;
  for (int i = 0; i < want.count; ++i) Show(bannerPanel, want, i);
  HideFrom(bannerPanel, want.count, labels.count);
  labels = want;
}

void HideProgrammeMarks(int bannerPanel) {
  LockGuard guard(labelsLock);
  hides.fetch_add(1);
  HideFrom(bannerPanel, 0, labels.count);
  labels.count = 0;
}
