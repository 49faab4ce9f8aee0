// Font files are read, not mapped.
//
// FreeType's own FT_New_Face maps the whole font file. Every page the font
// code then touches brings in the kernel's fault-around window, which on
// current kernels is the whole page-cache folio around it (64 KiB up to
// several hundred): the clock's menu, some forty glyphs of the Japanese UI
// font, left 2.3 MiB of that 6 MiB file resident for as long as the clock
// runs. This FT_New_Face, which the toolkit and fontconfig reach before the
// library's own, opens the same face on a stream that reads only the bytes
// FreeType asks for. FreeType keeps what it needs for good (the character
// map, the glyph locations, about 0.3 MiB for that font) and reads a glyph's
// outline when it loads the glyph; the file's pages stay in the page cache,
// unmapped.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

// A count of 0 asks for a seek, which succeeds (0) within the file.
unsigned long ReadAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (count == 0) return offset > stream->size ? 1 : 0;
  unsigned long done = 0;
  while (done < count) {
    const ssize_t n = pread(stream->descriptor.value, buffer + done, count - done, off_t(offset + done));
    if (n > 0)
      done += static_cast<unsigned long>(n);
    else if (n == 0 || errno != EINTR)
      break;
  }
  return done;
}

// FreeType calls this once the face is done with, or when no driver took the
// file; the stream is ours to free.
void CloseStream(FT_Stream stream) {
  close(stream->descriptor.value);
  delete stream;
}

}  // namespace

extern "C" FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long faceIndex, FT_Face* face) {
  // FT_Open_Face checks these before it takes the stream, which would then
  // never be closed.
  if (!library) return FT_Err_Invalid_Library_Handle;
  if (!path || (!face && faceIndex >= 0)) return FT_Err_Invalid_Argument;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FT_Err_Cannot_Open_Resource;
  struct stat st {};
  // What cannot hold a font (a folder, an empty file) is refused here.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > LONG_MAX) {
    close(fd);
    return FT_Err_Cannot_Open_Resource;
  }
  auto* stream = new FT_StreamRec{};
  stream->size = static_cast<unsigned long>(st.st_size);
  stream->descriptor.value = fd;
  stream->read = ReadAt;
  stream->close = CloseStream;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = stream;
  return FT_Open_Face(library, &args, faceIndex, face);
}
