// --out: the tool's standard output written to a file, which is replaced
// only once everything is written.
#pragma once

#include <string>

namespace tavik_eit {

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);

// The standard output goes to a file under a temporary name beside FILE,
// which takes FILE's place once everything is written, so a run that fails
// leaves an earlier FILE as it was.
class OutputFile {
 public:
  // False with a message (what failed, and where a file can be written)
  // when FILE's folder takes no file.
  bool Open(const std::string& path, std::string* error);
  // Ends the output, and with keep puts it in FILE's place; without, or when
  // anything failed, FILE stays as it was. False with a message when the
  // output could not all be written or put in place.
  bool Close(bool keep, std::string* error);
  // The size of the file written, once in place.
  long bytes() const { return bytes_; }

 private:
  std::string path_, temp_;
  long bytes_ = 0;
};

}  // namespace tavik_eit
