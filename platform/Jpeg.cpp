// JPEG files into the picture table's bitmaps, through libjpeg.
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/Bitmap.h"

namespace {

// libjpeg's own allocations. The big one is the whole-picture coefficient
// buffer of a progressive (or otherwise multi-scan) file: two bytes per sample
// for at most three full-size components, plus the rounding up to whole MCUs.
// No picture within MaxPicturePixels needs more than this; a file that asks
// for more fails inside the library instead of taking the memory.
constexpr long MaxLibraryMemory = MaxPicturePixels * 3 * 2 * 11 / 10 + (16L << 20);

// How far the decode has come; decides what an error exit means.
enum class Stage {
  Header,  // an error here fails the whole decode
  Scans,   // jpeg_start_decompress, which reads every scan of a multi-scan file
  Rows,    // rows are being put out
};

// Everything the library's callbacks reach, found through client_data. It lives
// in DecodeJpeg's frame, outside the function that calls setjmp, so what the
// callbacks write here is still valid after the jump back.
struct Decoder {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  Stage stage;
  bool endSupplied;  // the data has run out and a closing marker was made up
  bool refused;      // a limit was broken: the decode fails even past the header
  long missingFrom;  // first row (from the top) that lacks its first-pass data, or -1
};

Decoder& Of(j_common_ptr info) { return *static_cast<Decoder*>(info->client_data); }
Decoder& Of(j_decompress_ptr info) { return *static_cast<Decoder*>(info->client_data); }

[[noreturn]] void JumpBack(j_common_ptr info) { std::longjmp(Of(info).jump, 1); }

void Silent(j_common_ptr) {}

// Warnings are ignored, with one exception: the entropy decoder asking for bits
// beyond the end of a cut-off file. The library would go on filling the rest of
// the picture with flat grey blocks; rows the data never reached stay zero
// instead.
void OnMessage(j_common_ptr common, int level) {
  Decoder& d = Of(common);
  if (level >= 0 || !d.endSupplied || common->err->msg_code != JWRN_HIT_MARKER) return;
  if (d.stage == Stage::Rows) {
    // A single-scan file is decoded as its rows are put out, so every row put
    // out so far came from complete data (rows that smooth upsampling still
    // held back waiting for the next MCU row are lost with it). Stop here.
    std::longjmp(d.jump, 1);
  }
  // A multi-scan file is read whole before any row is put out. A progressive
  // file cut in a later scan still covers the whole picture with the scans
  // before it, only with less detail, so it is shown whole, as browsers do. A
  // cut in a scan that carries first-pass data (the first DC scan of a
  // component, or any scan of a sequential multi-scan file) leaves the blocks
  // after the cut with nothing at all: those rows stay zero.
  const jpeg_decompress_struct& info = d.info;
  if (info.progressive_mode && (info.Ss != 0 || info.Ah != 0)) return;
  const long row = static_cast<long>(info.input_iMCU_row) * info.max_v_samp_factor *
                   info.min_DCT_scaled_size;
  if (d.missingFrom < 0 || row < d.missingFrom) d.missingFrom = row;
}

// The whole file is handed over at the start, so being asked for more means
// the data has run out. The stock memory source then makes up an end marker
// every time it is asked; this one makes it up once (a file missing only its
// final marker still decodes whole) and fails when asked again, which only a
// cut inside a marker segment can cause. What a cut does to the picture is
// settled in OnMessage. (Arithmetic-coded files, which browsers never took,
// pad silently and keep the library's fill.)
boolean SupplyEnd(j_decompress_ptr info) {
  Decoder& d = Of(info);
  if (d.endSupplied) ERREXIT(info, JERR_INPUT_EOF);
  static const JOCTET End[] = {0xFF, JPEG_EOI};
  d.endSupplied = true;
  info->src->next_input_byte = End;
  info->src->bytes_in_buffer = sizeof End;
  return TRUE;
}

// Only marker segments are skipped; one that reaches past the end is cut off.
void Skip(j_decompress_ptr info, long count) {
  jpeg_source_mgr& source = *info->src;
  if (count <= 0) return;
  if (static_cast<unsigned long>(count) > source.bytes_in_buffer) ERREXIT(info, JERR_INPUT_EOF);
  source.next_input_byte += count;
  source.bytes_in_buffer -= static_cast<size_t>(count);
}

void Nothing(j_decompress_ptr) {}

// Every scan of a multi-scan file is one more pass over the whole picture, so
// a crafted file with thousands of tiny scans would hold the decoder for
// minutes. The library calls this before each step of reading the input.
void CheckScans(j_common_ptr common) {
  Decoder& d = Of(common);
  if (d.info.input_scan_number > MaxProgressiveScans) {
    d.refused = true;
    std::longjmp(d.jump, 1);
  }
}

// Counts the scans of a file as the library's marker reader meets them:
// marker segments are skipped by their length, coded data up to the next
// marker that is neither a stuffed zero nor a restart, and the count stops at
// the end marker. This lets a file over the scan limit be refused before the
// library allocates its whole-picture buffers; CheckScans still holds the
// library itself to the same limit.
int ScansInFile(const uint8_t* data, size_t size) {
  int scans = 0;
  size_t at = 2;  // past the start marker
  while (at + 1 < size) {
    if (data[at] != 0xFF || data[at + 1] == 0xFF) {  // coded data, junk, fill bytes
      ++at;
      continue;
    }
    const uint8_t marker = data[at + 1];
    if (marker == JPEG_EOI) break;
    // Stuffed zeros, restarts, a repeated start marker and reserved codes have
    // no length: the library either reads past them or fails on them.
    if (marker < 0xC0 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    if (at + 3 >= size) break;
    const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
    if (marker == 0xDA && ++scans > MaxProgressiveScans) break;
    at += 2 + (length < 2 ? 2 : length);
  }
  return scans;
}

// Rows from `top` (counted from the top) down to the bottom of the picture.
void ClearFrom(Bitmap& out, long top) {
  if (top < 0 || top >= out.height) return;
  std::memset(out.bits.data(), 0, static_cast<size_t>(out.height - top) * out.stride);
}

// Everything that can end in the library's error exit. The jump back skips
// the frames between, so no object with a destructor may live here or in them,
// and this function changes no local after setjmp: its state is in `d`.
bool Decode(Decoder& d, Bitmap& out) {
  jpeg_decompress_struct& info = d.info;
  if (setjmp(d.jump)) {
    if (d.stage == Stage::Header || d.refused) return false;
    ClearFrom(out, d.missingFrom);
    return true;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = MaxLibraryMemory;
  info.src = &d.source;
  info.progress = &d.progress;
  jpeg_read_header(&info, TRUE);

  // Both refusals come before anything the size of the picture is allocated.
  if (static_cast<int64_t>(info.image_width) * info.image_height > MaxPicturePixels) return false;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    default:  // CMYK, YCCK and unknown layouts have no conversion to RGB
      return false;
  }
  info.out_color_space = JCS_EXT_BGR;  // the bitmap's own byte order, no swap pass
  info.dct_method = JDCT_ISLOW;
  info.scale_num = 1;
  info.scale_denom = 1;

  out.width = static_cast<int>(info.image_width);
  out.height = static_cast<int>(info.image_height);
  out.stride = (out.width * 3 + 3) & ~3;
  out.bits.assign(static_cast<size_t>(out.stride) * out.height, 0);

  d.stage = Stage::Scans;
  jpeg_start_decompress(&info);
  if (info.output_width != info.image_width || info.output_height != info.image_height ||
      info.output_components != 3) {
    return false;  // cannot happen without scaling; rows would not fit
  }
  d.stage = Stage::Rows;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.bits.data() +
                   static_cast<size_t>(out.height - 1 - static_cast<int>(info.output_scanline)) *
                       out.stride;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
  }
  // No jpeg_finish_decompress: it would only read on to the end marker, and
  // the object is destroyed anyway.
  ClearFrom(out, d.missingFrom);
  return true;
}

struct DestroyOnExit {
  jpeg_decompress_struct& info;
  ~DestroyOnExit() { jpeg_destroy_decompress(&info); }
};

}  // namespace

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
  return data != nullptr && size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out) {
  out = Bitmap{};
  if (!LooksLikeJpeg(data, size) || ScansInFile(data, size) > MaxProgressiveScans) return false;

  Decoder d{};
  d.stage = Stage::Header;
  d.missingFrom = -1;
  d.info.err = jpeg_std_error(&d.errors);
  d.errors.error_exit = JumpBack;
  d.errors.output_message = Silent;
  d.errors.emit_message = OnMessage;
  d.info.client_data = &d;
  d.source.next_input_byte = data;
  d.source.bytes_in_buffer = size;
  d.source.init_source = Nothing;
  d.source.fill_input_buffer = SupplyEnd;
  d.source.skip_input_data = Skip;
  d.source.resync_to_restart = jpeg_resync_to_restart;
  d.source.term_source = Nothing;
  d.progress.progress_monitor = CheckScans;
  DestroyOnExit destroy{d.info};  // a zeroed object is safe to destroy, too

  bool decoded = false;
  try {
    decoded = Decode(d, out);
  } catch (const std::bad_alloc&) {
    // The bitmap itself did not fit; the library reports its own shortages.
  }
  if (!decoded) out = Bitmap{};
  return decoded;
}
