#include "tools/texfill/document_io.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "tools/texfill/png_io.h"
#include "tools/texfill/tiff_io.h"

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
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

FileFormat formatOfFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
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
      if (!std::ifstream(path, std::ios::binary)) {
        reason = "cannot be opened";
      } else {
        reason = "neither a PNG nor a TIFF file";
      }
      break;
  }
  if (!ok) error = path + ": " + reason;
  return ok;
}

// Replaces `to` with `from` in one step.
bool replaceFile(const std::string& from, const std::string& to, std::string& reason) {
#if defined(_WIN32)
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
    reason = "cannot be replaced (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
#else
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    reason = std::strerror(errno);
    return false;
  }
#endif
  return true;
}

bool writeFileAtomically(const std::string& path, std::string& error, bool (*cancelled)(),
                         bool (*write)(const std::string&, const void*, std::string&),
                         const void* context) {
  // Unique enough for one user's runs; the name is never opened for reuse.
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string temp = path + ".texfill-" + std::to_string(stamp % 1000000007) + ".tmp";
  std::string reason;
  if (!write(temp, context, reason)) {
    std::remove(temp.c_str());
    error = path + ": " + reason;
    return false;
  }
  if (cancelled != nullptr && cancelled()) {
    std::remove(temp.c_str());
    error = path + ": not written (cancelled)";
    return false;
  }
  std::string renameReason;
  if (!replaceFile(temp, path, renameReason)) {
    error = path + ": " + renameReason;
    std::remove(temp.c_str());
    return false;
  }
  return true;
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
