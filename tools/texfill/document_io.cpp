#include "tools/texfill/document_io.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/ascii.h"
#include "platform/platform.h"
#include "tools/texfill/png_io.h"
#include "tools/texfill/tiff_io.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

bool writeByFormat(const std::string& tempPath, const void* context, std::string& error) {
  const auto* job = static_cast<const std::pair<const Image*, FileFormat>*>(context);
  return job->second == FileFormat::png ? writePng(tempPath, *job->first, error)
                                        : writeTiff(tempPath, *job->first, error);
}

}  // namespace

std::string lowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return platform::lowerAscii(path.substr(dot + 1));
}

FileFormat formatOfFile(const std::string& path) {
  std::FILE* file = openFile(path, "rb");
  if (file == nullptr) return FileFormat::unknown;
  unsigned char head[8] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n == 8 && std::memcmp(head, kPng, 8) == 0) return FileFormat::png;
  if (n >= 4 && ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
                 (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43)))) {
    return FileFormat::tiff;
  }
  return FileFormat::unknown;
}

FileFormat formatForName(const std::string& path) {
  const std::string extension = lowerExtension(path);
  if (extension == "png") return FileFormat::png;
  if (extension == "tif" || extension == "tiff") return FileFormat::tiff;
  return FileFormat::unknown;
}

bool checkImageSize(std::uint64_t width, std::uint64_t height, std::string& error) {
  if (width == 0 || height == 0) {
    error = "the image is empty";
    return false;
  }
  if (width > kMaxSide || height > kMaxSide) {
    error = std::to_string(width) + "x" + std::to_string(height) +
            " is too large: at most 32767 pixels a side";
    return false;
  }
  if (width * height * 3 > kMaxImageBytes) {
    error = std::to_string(width) + "x" + std::to_string(height) +
            " is too large: at most 1 GiB of pixels";
    return false;
  }
  return true;
}

bool readImageFile(const std::string& path, Image& image, std::string& error, bool sixteenBit) {
  std::string reason;
  bool ok = false;
  switch (formatOfFile(path)) {
    case FileFormat::png: ok = readPng(path, image, reason, sixteenBit); break;
    case FileFormat::tiff: ok = readTiff(path, image, reason, sixteenBit); break;
    case FileFormat::unknown:
      if (std::FILE* file = openFile(path, "rb"); file == nullptr) {
        reason = "cannot be opened";
      } else {
        std::fclose(file);
        reason = "neither a PNG nor a TIFF file";
      }
      break;
  }
  if (!ok) error = path + ": " + reason;
  return ok;
}

namespace {

// What a whole-file writer needs on its way through the platform's
// replacement: the caller's writer, its reason for failing, the cancel check.
struct ReplacingWrite {
  bool (*write)(const std::string&, const void*, std::string&);
  const void* context;
  bool (*cancelled)();
  std::string reason;
};

bool writeTemporary(const char* temporaryPath, void* state) {
  auto& job = *static_cast<ReplacingWrite*>(state);
  if (!job.write(temporaryPath, job.context, job.reason)) return false;
  if (job.cancelled != nullptr && job.cancelled()) {
    job.reason = "not written (cancelled)";
    return false;
  }
  return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string& error, bool (*cancelled)(),
                         bool (*write)(const std::string&, const void*, std::string&),
                         const void* context) {
  ReplacingWrite job{write, context, cancelled, ""};
  if (platform::writeFileReplacing(path.c_str(), writeTemporary, &job)) return true;
  error = path + ": " + (job.reason.empty() ? "cannot be put in place of the old file" : job.reason);
  return false;
}

bool writeImageFile(const std::string& path, const Image& image, std::string& error,
                    bool (*cancelled)()) {
  const FileFormat format = formatForName(path);
  if (format == FileFormat::unknown) {
    error = path + ": give the output a .png, .tif or .tiff name";
    return false;
  }
  const std::pair<const Image*, FileFormat> job{&image, format};
  return writeFileAtomically(path, error, cancelled, writeByFormat, &job);
}

}  // namespace texfill
