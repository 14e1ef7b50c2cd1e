// The settings object every subsystem reads, zero at load.
#include <cstring>
#include <initializer_list>

#include "settings/settings.h"

Settings settings;

void ResetSettings() {
  for (auto* field : {&settings.showtime, &settings.style, &settings.backcolor,
                      &settings.textcolor, &settings.epgon, &settings.showsignal,
                      &settings.showdetails, &settings.videownd, &settings.parkcursor,
                      &settings.timeshift, &settings.titlemode, &settings.postkey,
                      &settings.alpha, &settings.justify, &settings.epgtext,
                      &settings.epgcolor, &settings.slideout, &settings.epgchars,
                      &settings.localtime, &settings.scale, &settings.schedule,
                      &settings.progress, &settings.place, &settings.marks,
                      &settings.keepguide, &settings.bannerHeight}) {
    field->store(0);
  }
  std::memset(settings.fontname, 0, sizeof settings.fontname);
}
