// Reading an EIT section, its events and their descriptors: every length is
// checked against the bytes it was given before anything is read.
#include "guide/eit_decoder.h"

namespace guide {
namespace {

using eit_detail::Take;

}  // namespace

bool FindShortEvent(ByteView loop, ShortEventView* out) {
  DescriptorCursor cursor(loop);
  Descriptor d;
  while (cursor.Next(&d))
    if (d.tag == kDescShortEvent && ReadShortEvent(d, out)) return true;
  return false;
}

bool ReadExtendedEvent(const Descriptor& d, ExtendedEventView* out) {
  ByteView rest = d.body, head, length;
  if (d.tag != kDescExtendedEvent || !Take(&rest, 1, &head)) return false;
  out->number = head.data[0] >> 4;
  out->lastNumber = head.data[0] & 0x0F;
  if (!Take(&rest, 3, &out->language)) return false;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], &out->items)) return false;
  return Take(&rest, 1, &length) && Take(&rest, length.data[0], &out->text);
}

bool ItemCursor::Next(ByteView* description, ByteView* item) {
  ByteView rest = rest_, length;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], description) ||
      !Take(&rest, 1, &length) || !Take(&rest, length.data[0], item)) {
    rest_ = ByteView{};
    return false;
  }
  rest_ = rest;
  return true;
}

bool ReadParentalRating(const Descriptor& d, ParentalRatingView* out) {
  if (d.tag != kDescParentalRating) return false;
  out->entries = ByteView{d.body.data, d.body.size - d.body.size % 4};
  return true;
}

bool ReadComponent(const Descriptor& d, ComponentView* out) {
  ByteView rest = d.body, fixed;
  if (d.tag != kDescComponent || !Take(&rest, 3, &fixed) || !Take(&rest, 3, &out->language))
    return false;
  out->streamContentExt = fixed.data[0] >> 4;
  out->streamContent = fixed.data[0] & 0x0F;
  out->componentType = fixed.data[1];
  out->componentTag = fixed.data[2];
  out->text = rest;
  return true;
}

}  // namespace guide
