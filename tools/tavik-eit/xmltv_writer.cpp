// --xmltv: the schedule as an XMLTV document, the common format of TV
// listings: a channel per service, a programme per event with its title,
// sub-title, whole description, categories, picture, sound, subtitles and
// age rating, in UTF-8, in the element order of the XMLTV DTD.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/version.h"
#include "guide/event_description.h"
#include "text/dvb_text.h"
#include "tools/tavik-eit/schedule_report.h"

namespace tavik_eit {
namespace {

// The category of a genre's level 1 as XMLTV listings spell it; null for
// the groups that have no name (undefined, reserved, user defined).
const char* Category(uint8_t nibble) {
  static const char* const kNames[16] = {
      nullptr,
      "Movie / Drama",
      "News / Current affairs",
      "Show / Game show",
      "Sports",
      "Children's / Youth programmes",
      "Music / Ballet / Dance",
      "Arts / Culture (without music)",
      "Social / Political issues / Economics",
      "Education / Science / Factual topics",
      "Leisure hobbies",
      nullptr, nullptr, nullptr, nullptr, nullptr};
  return kNames[nibble & 0x0F] != nullptr ? kNames[nibble & 0x0F] : guide::GenreGroupName(nibble);
}

// UTF-8 text as XML character data: the five markup characters escaped,
// control characters XML does not allow (and C1 controls) dropped.
std::string Escape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
      ++i;  // U+0080 to U+009F
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c >= 0x20 || c == '\n' || c == '\t') out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\n") == std::string::npos; }

std::string Converted(const uint8_t* bytes, size_t length, dvbtext::Breaks breaks) {
  char buffer[800];
  dvbtext::ToUtf8(bytes, length, breaks, buffer, sizeof buffer);
  return Escape(buffer);
}

// The categories of the event's genres, level 1 then level 2, each once.
std::string Categories(const guide::EventFacts& facts) {
  std::vector<std::string> names;
  for (size_t i = 0; i < facts.genreCount; ++i) {
    const guide::Genre g = facts.genres[i];
    const char* sub = g.level2 != 0xF ? guide::GenreSubName(g.level1, g.level2) : nullptr;
    for (const char* name : {Category(g.level1), sub})
      if (name != nullptr && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
  }
  std::string out;
  for (const std::string& name : names)
    out += "    <category lang=\"en\">" + Escape(name) + "</category>\n";
  return out;
}

// What the components and the parental rating say: video, audio,
// subtitles and rating, in that order.
std::string Facts(const guide::EventFacts& facts) {
  std::string out;
  const char* aspect = guide::XmltvAspect(facts.marks);
  const char* quality = guide::XmltvQuality(facts.marks);
  if (aspect != nullptr || quality != nullptr) {
    out += "    <video>\n";
    if (aspect != nullptr) out += std::string("      <aspect>") + aspect + "</aspect>\n";
    if (quality != nullptr) out += std::string("      <quality>") + quality + "</quality>\n";
    out += "    </video>\n";
  }
  if (const char* stereo = guide::XmltvStereo(facts.marks))
    out += std::string("    <audio>\n      <stereo>") + stereo + "</stereo>\n    </audio>\n";
  if (guide::HasTeletextSubtitles(facts.marks)) out += "    <subtitles type=\"teletext\"/>\n";
  if (guide::HasOnscreenSubtitles(facts.marks)) out += "    <subtitles type=\"onscreen\"/>\n";
  char age[96];
  if (guide::AgeText(facts.ratings, facts.ratingCount, age, sizeof age) > 0)
    out += "    <rating system=\"DVB\">\n      <value>" + Escape(age) + "</value>\n    </rating>\n";
  return out;
}

// ISO 639-2 codes that have a two-letter ISO 639-1 code, in order, "three:two "
// a record. Broadcasters send either form of the codes that have two (the
// bibliographic "cze", "ger", "gre" and the terminology "ces", "deu", "ell");
// scc and scr are the codes Serbian and Croatian had until 2008.
const char kTwoLetterCodes[] =
    "aar:aa abk:ab afr:af aka:ak alb:sq amh:am ara:ar arg:an arm:hy asm:as ava:av ave:ae aym:ay "
    "aze:az bak:ba bam:bm baq:eu bel:be ben:bn bih:bh bis:bi bod:bo bos:bs bre:br bul:bg bur:my "
    "cat:ca ces:cs cha:ch che:ce chi:zh chu:cu chv:cv cor:kw cos:co cre:cr cym:cy cze:cs dan:da "
    "deu:de div:dv dut:nl dzo:dz ell:el eng:en epo:eo est:et eus:eu ewe:ee fao:fo fas:fa fij:fj "
    "fin:fi fra:fr fre:fr fry:fy ful:ff geo:ka ger:de gla:gd gle:ga glg:gl glv:gv gre:el grn:gn "
    "guj:gu hat:ht hau:ha heb:he her:hz hin:hi hmo:ho hrv:hr hun:hu hye:hy ibo:ig ice:is ido:io "
    "iii:ii iku:iu ile:ie ina:ia ind:id ipk:ik isl:is ita:it jav:jv jpn:ja kal:kl kan:kn kas:ks "
    "kat:ka kau:kr kaz:kk khm:km kik:ki kin:rw kir:ky kom:kv kon:kg kor:ko kua:kj kur:ku lao:lo "
    "lat:la lav:lv lim:li lin:ln lit:lt ltz:lb lub:lu lug:lg mac:mk mah:mh mal:ml mao:mi mar:mr "
    "may:ms mkd:mk mlg:mg mlt:mt mon:mn mri:mi msa:ms mya:my nau:na nav:nv nbl:nr nde:nd ndo:ng "
    "nep:ne nld:nl nno:nn nob:nb nor:no nya:ny oci:oc oji:oj ori:or orm:om oss:os pan:pa per:fa "
    "pli:pi pol:pl por:pt pus:ps que:qu roh:rm ron:ro rum:ro run:rn rus:ru sag:sg san:sa scc:sr "
    "scr:hr sin:si slk:sk slo:sk slv:sl sme:se smo:sm sna:sn snd:sd som:so sot:st spa:es sqi:sq "
    "srd:sc srp:sr ssw:ss sun:su swa:sw swe:sv tah:ty tam:ta tat:tt tel:te tgk:tg tgl:tl tha:th "
    "tib:bo tir:ti ton:to tsn:tn tso:ts tuk:tk tur:tr twi:tw uig:ug ukr:uk urd:ur uzb:uz ven:ve "
    "vie:vi vol:vo wel:cy wln:wa wol:wo xho:xh yid:yi yor:yo zha:za zho:zh zul:zu ";

// The lang attribute: the short event's ISO 639 code, in its two-letter form
// when there is one, else the three letters; none when the code is not
// letters.
std::string Lang(const char* language) {
  std::string code;
  for (int i = 0; i < 3; ++i) {
    const char c = language[i];
    if (c >= 'A' && c <= 'Z') code.push_back(static_cast<char>(c - 'A' + 'a'));
    else if (c >= 'a' && c <= 'z') code.push_back(c);
    else return "";
  }
  for (const char* r = kTwoLetterCodes; *r != '\0'; r += 7)
    if (code.compare(0, 3, r, 3) == 0) return " lang=\"" + std::string(r + 4, 2) + "\"";
  return " lang=\"" + code + "\"";
}

std::string Stamp(int64_t utc) {
  const guide::CivilTime t = guide::CivilOfSeconds(utc);
  char b[40];
  std::snprintf(b, sizeof b, "%04d%02d%02d%02d%02d%02d +0000", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return b;
}

}  // namespace

std::string FormatXmltv(const ScheduleReader& reader, const std::vector<dvbread::ServiceName>& names,
                        bool onlyService, uint16_t serviceId, int* programmes, int* untitled) {
  *programmes = 0;
  *untitled = 0;
  std::string channels, listing;
  std::vector<char> text(guide::kEventTextBuffer);
  for (uint16_t sid : reader.Services()) {
    if (onlyService && sid != serviceId) continue;
    uint16_t tsid = 0, onid = 0;
    reader.Store().StreamIds(sid, &tsid, &onid);
    // An id of dot-separated words, the same for the service wherever it is read.
    const std::string id = std::to_string(sid) + "." + std::to_string(tsid) + "." +
                           std::to_string(onid) + ".dvb";
    int written = 0;
    for (const guide::StoredEvent& e : reader.Events(sid)) {
      const std::string title = Converted(e.name, e.nameLength, dvbtext::Breaks::kBlank);
      if (Blank(title)) {
        ++*untitled;
        continue;
      }
      const std::string lang = Lang(e.language);
      listing += "  <programme start=\"" + Stamp(e.key.startUtc) + "\"";
      if (e.key.duration > 0) listing += " stop=\"" + Stamp(e.key.startUtc + e.key.duration) + "\"";
      listing += " channel=\"" + id + "\">\n";
      listing += "    <title" + lang + ">" + title + "</title>\n";
      guide::EventFacts facts;
      guide::ReadEventFacts(e, &facts);
      guide::DescriptionParts parts;
      guide::FormatDescription(e, facts, true, text.data(), text.size(), &parts);
      // The short text is a sub-title where a description of its own follows it.
      if (parts.extended && parts.shortShown) {
        const std::string sub = Escape(std::string(text.data(), parts.shortLength));
        if (!Blank(sub)) listing += "    <sub-title" + lang + ">" + sub + "</sub-title>\n";
      }
      const std::string desc = Escape(text.data());
      if (!Blank(desc)) listing += "    <desc" + lang + ">" + desc + "</desc>\n";
      listing += Categories(facts) + Facts(facts) + "  </programme>\n";
      ++written;
    }
    if (written == 0) continue;  // a channel without programmes is left out
    *programmes += written;
    channels += "  <channel id=\"" + id + "\">\n    <display-name>" +
                Escape(ServiceTitle(names, sid)) + "</display-name>\n  </channel>\n";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                     "<tv generator-info-name=\"tavik-eit ") +
         TAVIK_VERSION + "\">\n" + channels + listing + "</tv>\n";
}

}  // namespace tavik_eit
