// r_xmlLite: TxmlLite reads an XML file forward one token at a time (start tag, content, end
// tag, complete tag) without building a tree. Lenient: no well-formedness checks, entities left
// as written (xmlDecode decodes them), texts kept as the file's UTF-8 bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/r_base.h"
#include "platform/TStringList.h"

// Token kinds.
constexpr int xml_none = 0, xml_Start = 1, xml_Content = 2, xml_End = 3, xml_complete = 4;

// The five named entities and decimal or hex character references decoded in one pass, so
// "&amp;lt;" gives "&lt;". A reference that is not one stays as written.
[[nodiscard]] std::string xmlDecode(std::string_view s);

class TxmlLite : public TqyObject {
 public:
  // The largest block read at once; the buffer holds one block.
  static constexpr size_t bufsize = 1000000;

  TxmlLite();
  ~TxmlLite() override;
  TxmlLite(const TxmlLite&) = delete;
  TxmlLite& operator=(const TxmlLite&) = delete;
  [[nodiscard]] const char* unitName() const override { return "r_xmlLite"; }

  // Opens the file (read-only) and fills the buffer; false, logged, when it cannot be opened
  // (the reader then gives no tokens). A previous file is closed.
  bool setname(const std::string& filename);
  [[nodiscard]] const std::string& filename() const { return fname; }
  // Reads again from the first byte with no tag open.
  void returnToStart();

  // The next token into s: false when the file is exhausted (s then empty).
  bool readNext(std::string& s);
  // The next token read as an integer or a real ("1.5", full stop): false unless it is
  // non-empty content holding a number.
  bool readInteger(int32_t& i);
  bool readDouble(double& d);
  // Every token until the end, in order.
  void saveToList(TStringList& list);

  [[nodiscard]] int xmlType() const { return fxmlType; }
  [[nodiscard]] const std::string& tag() const { return ftag; }
  // The current tag's name as written: a complete tag without attributes keeps its "/".
  [[nodiscard]] std::string name() const;
  // The current token is a section that began with "<!" (its markers taken off when CDATA).
  [[nodiscard]] bool cdata() const { return fcdata; }
  // The attributes of the current start or complete tag as name=value lines, values unquoted.
  TStringList& attributes();
  // A value by name (letter case aside); empty, or 0, when absent.
  std::string attribute(const std::string& name);
  double attributeD(const std::string& name);

  // Open start tags joined with "." from index top on; the number of open start tags.
  [[nodiscard]] std::string dotLevel(int top) const;
  [[nodiscard]] int currentLevel() const { return static_cast<int>(depth); }

 private:
  void getbuf();
  bool peekIsBang();
  void close();

  std::FILE* mem = nullptr;
  std::string fname;
  TStringList att;
  bool attRead = false;
  // The open tags are the first `depth` entries; later ones keep their memory for reuse.
  std::vector<std::string> levels;
  size_t depth = 0;
  std::vector<char> buf;
  char lastchar = 0;  // held back for the next token; 0 when none
  int fxmlType = xml_none;
  int lastType = xml_none;
  bool started = false;  // a token has been read since the start of the file
  std::string last;      // the current token before trimming
  std::string ftag;
  bool fcdata = false;
  size_t cnt = 0;
  size_t size = 0;
  int64_t fileSize = 0;
  int64_t filePos = 0;
};
