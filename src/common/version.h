// The release version, in one place: the About panel's text, the tools'
// --version and the release package's name are all made from these two.
#pragma once

#define TAVIK_VERSION_MAJOR "2"
#define TAVIK_VERSION_MINOR "01"

// "2.01": tools and the package name (scripts/package.sh reads the two lines above).
#define TAVIK_VERSION TAVIK_VERSION_MAJOR "." TAVIK_VERSION_MINOR
// "Tavik 2_01": the About panel's text.
#define TAVIK_ABOUT_TEXT "Tavik " TAVIK_VERSION_MAJOR "_" TAVIK_VERSION_MINOR
