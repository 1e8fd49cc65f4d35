// Feeds arbitrary bytes to the catalogue scraper as a downloaded list page:
// the line reader, the UTF-8 decoding and the cutting of every slot.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue/Catalogue.h"
#include "catalogue/TextExtract.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/zirta-fuzz-XXXXXX";
  if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen("vexo.txt", "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  LoadCataloguePage("");  // an address that cannot be fetched: the file stays
  std::string_view text(reinterpret_cast<const char*>(data), size);
  DecodeUtf8Line(text);
  ExtractBetween(text, text.substr(0, size / 3), text.substr(size / 3, size / 3));
  return 0;
}
