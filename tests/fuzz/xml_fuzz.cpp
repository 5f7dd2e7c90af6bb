// XML tokens on any bytes: every token with its name, attributes and open tags, then the file
// read again from its start.
#include "storage/r_xmlLite.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TxmlLite x;
  if (!x.setname(fuzzenv::putFile("input.xml", data, size))) return 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::string s;
    while (x.readNext(s)) {
      (void)x.name();
      (void)x.attribute("r");
      (void)x.attributeD("x");
      (void)x.dotLevel(x.currentLevel() / 2);
      if (x.xmlType() == xml_Content) (void)xmlDecode(s);
    }
    x.returnToStart();
  }
  return 0;
}
