// What a host and a user see of the library before any selector runs: the
// export directory, the imports, the plug-in records (PIMI and _8BFM for
// hosts of the Photoshop 3.0 era, PiPL for today's), the string table and the
// version block. The test host is built for the plug-in's architecture.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "tools/wintest/check_report.h"
#include "tools/wintest/plugin_under_test.h"

namespace wintest {
namespace {

#if defined(_WIN64)
constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD kOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
constexpr char kImageKind[] = "PE32+ x86-64";
#else
constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD kOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
constexpr char kImageKind[] = "PE32 i386";
#endif

// The headers of the test host's own architecture: a plug-in of the other
// one would not have loaded.
const IMAGE_NT_HEADERS* ntHeaders(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
}

std::string checkImageKind(const PluginUnderTest& plugin) {
  const IMAGE_NT_HEADERS* nt = ntHeaders(plugin.module);
  if (nt == nullptr) return "no PE headers";
  if (nt->FileHeader.Machine != kMachine) return "machine " + std::to_string(nt->FileHeader.Machine);
  if (nt->OptionalHeader.Magic != kOptionalHeaderMagic) return "optional header " + std::to_string(nt->OptionalHeader.Magic);
  if ((nt->FileHeader.Characteristics & IMAGE_FILE_DLL) == 0) return "not a DLL";
  return "";
}

std::string checkExportDirectory(const PluginUnderTest& plugin) {
  const IMAGE_NT_HEADERS* nt = ntHeaders(plugin.module);
  if (nt == nullptr) return "no PE headers";
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0) return "no export directory";
  const auto* base = reinterpret_cast<const BYTE*>(plugin.module);
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const std::string name = reinterpret_cast<const char*>(base + exports->Name);
  if (name != "ORIELVMX.8BF") return "module name " + quoted(name);
  if (exports->NumberOfFunctions != 1 || exports->NumberOfNames != 1) {
    return std::to_string(exports->NumberOfFunctions) + " functions, " +
           std::to_string(exports->NumberOfNames) + " names";
  }
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  const std::string exported = reinterpret_cast<const char*>(base + names[0]);
  if (exported != "ENTRYPOINT1") return "export named " + quoted(exported);
  if (reinterpret_cast<const void*>(base + functions[ordinals[0]]) !=
      reinterpret_cast<const void*>(plugin.entry)) {
    return "ENTRYPOINT1 does not lead to GetProcAddress's address";
  }
  return "";
}

// The plug-in must be one file: anything but the system's own DLLs would
// have to be installed next to it in every host's plug-in folder.
std::string checkImports(const PluginUnderTest& plugin) {
  static const char* const systemDlls[] = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                           "comdlg32.dll", "comctl32.dll", "msvcrt.dll",
                                           "advapi32.dll", "shell32.dll"};
  const IMAGE_NT_HEADERS* nt = ntHeaders(plugin.module);
  if (nt == nullptr) return "no PE headers";
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const auto* base = reinterpret_cast<const BYTE*>(plugin.module);
  std::string foreign;
  for (const auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + entry.VirtualAddress);
       entry.VirtualAddress != 0 && import->Name != 0; ++import) {
    const char* name = reinterpret_cast<const char*>(base + import->Name);
    bool known = false;
    for (const char* dll : systemDlls) known = known || lstrcmpiA(name, dll) == 0;
    if (!known) foreign += std::string(foreign.empty() ? "" : ", ") + name;
  }
  return foreign.empty() ? "" : "imports from " + foreign;
}

std::string checkResourceBytes(const PluginUnderTest& plugin, const char* type,
                               const std::vector<unsigned char>& expected) {
  HRSRC found = FindResourceExA(plugin.module, type, MAKEINTRESOURCEA(1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) return std::string("no ") + type + " 1 in language 1033";
  const DWORD size = SizeofResource(plugin.module, found);
  HGLOBAL loaded = LoadResource(plugin.module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return "cannot load it";
  if (size != expected.size() || std::memcmp(bytes, expected.data(), size) != 0) {
    return "have " + hexBytes(bytes, size) + ", want " + hexBytes(expected.data(), expected.size());
  }
  return "";
}

std::vector<unsigned char> bytesOf(std::initializer_list<unsigned char> head, const char* text,
                                   std::initializer_list<unsigned char> tail) {
  std::vector<unsigned char> bytes(head);
  bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
  bytes.insert(bytes.end(), tail);
  return bytes;
}

std::string checkPluginRecord(const PluginUnderTest& plugin) {
  // Version 3, the category, then the information block: interface 4.0,
  // priority 0, block length 16, no filter data, modes 0x0A 0x0A (grayscale
  // and RGB), host signature "    ".
  return checkResourceBytes(plugin, "PIMI",
                            bytesOf({3, 0}, "Oriel Zovezadu",
                                    {4, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0x0A, 0x0A, ' ', ' ', ' ', ' '}));
}

std::string checkMenuRecord(const PluginUnderTest& plugin) {
  return checkResourceBytes(plugin, "_8BFM", bytesOf({3, 0}, "Zovezadu...", {}));
}

// The property list as a host finds it: FindResource upper-cases the type, so
// "PiPL" matches however the resource compiler stored it.
std::vector<unsigned char> propertyListBytes(const PluginUnderTest& plugin) {
  HRSRC found = FindResourceExA(plugin.module, "PiPL", MAKEINTRESOURCEA(16000),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) return {};
  const DWORD size = SizeofResource(plugin.module, found);
  HGLOBAL loaded = LoadResource(plugin.module, found);
  const auto* bytes = static_cast<const unsigned char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (bytes == nullptr) return {};
  return std::vector<unsigned char>(bytes, bytes + size);
}

std::uint32_t littleEndian(const unsigned char* bytes, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// A four-character code read from its little-endian 32-bit number.
std::string codeAt(const unsigned char* bytes) {
  const std::uint32_t value = littleEndian(bytes, 4);
  std::string code;
  for (int shift = 24; shift >= 0; shift -= 8) code += static_cast<char>(value >> shift & 0xFF);
  return code;
}

#if defined(_WIN64)
constexpr char kEntryKey[] = "8664";
#else
constexpr char kEntryKey[] = "wx86";
#endif

struct ExpectedProperty {
  std::string key;
  std::vector<unsigned char> data;  // as stored, zero padding included
};

std::vector<ExpectedProperty> expectedProperties() {
  return {
      {"kind", {'M', 'F', 'B', '8'}},  // '8BFM' as a little-endian number
      {"vers", {0x00, 0x00, 0x04, 0x00}},  // 0x00040000, interface 4.0
      {kEntryKey, bytesOf({}, "ENTRYPOINT1", {})},  // 12 bytes, no padding
      {"catg", bytesOf({14}, "Oriel Zovezadu", {})},  // 15 bytes: the terminator is the padding
      {"name", {11, 'Z', 'o', 'v', 'e', 'z', 'a', 'd', 'u', '.', '.', '.'}},
      // Mode m is bit 0x80 >> (m % 8) of byte m / 8: grayscale (1) 0x40 and
      // RGB (3) 0x10 in the first byte, 16-bit grayscale (10) 0x20 and 16-bit
      // RGB (11) 0x10 in the second.
      {"mode", {0x50, 0x30, 0x00, 0x00}},
      {"host", {' ', ' ', ' ', ' '}},
      // Cases 1-3 and 6-7 hand the data over as it is; the editable
      // transparency cases 4 and 5 also run on a blank layer (flag 0x02).
      {"fici", {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 2, 0, 1, 1, 2, 0, 1, 1, 0, 0, 1, 1, 0, 0}},
  };
}

std::string checkPropertyList(const PluginUnderTest& plugin) {
  const std::vector<unsigned char> bytes = propertyListBytes(plugin);
  if (bytes.empty()) return "no PiPL 16000 in language 1033";
  if (bytes.size() < 10) return "only " + std::to_string(bytes.size()) + " bytes";
  std::string failures;
  if (littleEndian(&bytes[0], 2) != 1) failures += "version " + std::to_string(littleEndian(&bytes[0], 2)) + "; ";
  if (littleEndian(&bytes[2], 4) != 0) failures += "reserved word is not 0; ";
  const std::vector<ExpectedProperty> expected = expectedProperties();
  const std::uint32_t count = littleEndian(&bytes[6], 4);
  if (count != expected.size()) failures += "count " + std::to_string(count) + "; ";

  std::size_t at = 10;
  for (const ExpectedProperty& want : expected) {
    if (bytes.size() - at < 16) return failures + "ends before '" + want.key + "'";
    const std::string vendor = codeAt(&bytes[at]);
    const std::string key = codeAt(&bytes[at + 4]);
    const std::uint32_t id = littleEndian(&bytes[at + 8], 4);
    const std::uint32_t length = littleEndian(&bytes[at + 12], 4);
    at += 16;
    if (vendor != "8BIM" || key != want.key || id != 0) {
      return failures + "property " + quoted(vendor) + " " + quoted(key) + " id " + std::to_string(id) +
             " where '" + want.key + "' belongs";
    }
    // The padded length: hosts that step by the length read and hosts that
    // round it up to 4 both land on the next property.
    if (length != want.data.size()) {
      failures += "'" + want.key + "' length " + std::to_string(length) + ", want " +
                  std::to_string(want.data.size()) + "; ";
    }
    if (length > bytes.size() - at) return failures + "'" + want.key + "' runs past the end";
    if (length != want.data.size() || std::memcmp(&bytes[at], want.data.data(), length) != 0) {
      failures += "'" + want.key + "' is " + hexBytes(&bytes[at], length) + "; ";
    }
    at += length;
  }
  if (at != bytes.size()) failures += std::to_string(bytes.size() - at) + " bytes after the last property";
  return failures;
}

// The entry key of the wrong architecture would send a host to a name that
// this DLL cannot serve; the right one must name the real export.
std::string checkPropertyListEntry(const PluginUnderTest& plugin) {
  const std::vector<unsigned char> bytes = propertyListBytes(plugin);
  for (std::size_t at = 10; bytes.size() >= 16 && at <= bytes.size() - 16;) {
    const std::uint32_t length = littleEndian(&bytes[at + 12], 4);
    if (length > bytes.size() - at - 16) break;
    if (codeAt(&bytes[at + 4]) == kEntryKey) {
      const std::string name(reinterpret_cast<const char*>(&bytes[at + 16]),
                             strnlen(reinterpret_cast<const char*>(&bytes[at + 16]), length));
      FARPROC found = GetProcAddress(plugin.module, name.c_str());
      if (found == nullptr || reinterpret_cast<void*>(found) != reinterpret_cast<void*>(plugin.entry)) {
        std::string failure = "the entry key names ";
        failure += quoted(name);
        return failure + ", which is not ENTRYPOINT1";
      }
      return "";
    }
    at += 16 + length;
  }
  return std::string("no '") + kEntryKey + "' property";
}

std::string checkStringTable(const PluginUnderTest& plugin) {
  std::string failures;
  for (const resources::StringTableRow& row : resources::kStringTable) {
    char text[256] = {};
    const int length = LoadStringA(plugin.module, row.id, text, sizeof text);
    if (length != static_cast<int>(std::strlen(row.text)) || std::strcmp(text, row.text) != 0) {
      failures += "string " + std::to_string(row.id) + " is " + quoted(text) + "; ";
    }
  }
  char text[256] = "unchanged";
  if (LoadStringA(plugin.module, 3, text, sizeof text) != 0) failures += "string 3 exists; ";
  return failures;
}

std::string checkFixedVersion(const std::vector<char>& block) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size) ||
      size < sizeof *fixed) {
    return "no fixed part";
  }
  const DWORD have[] = {fixed->dwSignature,       fixed->dwFileVersionMS,    fixed->dwFileVersionLS,
                        fixed->dwProductVersionMS, fixed->dwProductVersionLS, fixed->dwFileFlagsMask,
                        fixed->dwFileFlags,        fixed->dwFileOS,           fixed->dwFileType,
                        fixed->dwFileSubtype,      fixed->dwFileDateMS,       fixed->dwFileDateLS};
  const DWORD want[] = {0xFEEF04BD, 0x00010000, 0, 0x00010000, 0, 0x3F, 0, 0x40004, 2, 0, 0, 0};
  if (std::memcmp(have, want, sizeof want) != 0) return "have " + hexBytes(have, sizeof have);
  return "";
}

std::string checkVersionStrings(const std::vector<char>& block) {
  struct Entry {
    const wchar_t* key;
    const wchar_t* value;
  };
  static const Entry entries[] = {
      {L"FileVersion", L"1.2"},
      {L"ProductVersion", L"1.2"},
      {L"CompanyName", L"Oriel"},
      {L"ProductName", L"Oriel Brindle Zovezadu"},
      {L"Comments",
#if defined(_WIN64)
       L"64 bit plug in, conforming to Photoshop\u00AE filter plug in interface 4.0. "
       L"(Photoshop\u00AE 3.0 or later)"},
#else
       L"32 bit plug in, conforming to Photoshop\u00AE filter plug in interface 4.0. "
       L"(Photoshop\u00AE 3.0 or later)"},
#endif
      {L"InternalName", L"ORIELVMX"},
      {L"OriginalFilename", L"ORIELVMX.8BF"},
      {L"FileDescription", L"Oriel Brindle Zovezadu texture fill, release " ORIELVMX_RELEASE},
      {L"LegalCopyright", L"Copyright \u00A9 2026 the Oriel Brindle Zovezadu contributors, MIT licence"},
  };
  std::string failures;
  for (const Entry& entry : entries) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + entry.key;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr || std::wcscmp(value, entry.value) != 0) {
      char key[64] = {};
      WideCharToMultiByte(CP_UTF8, 0, entry.key, -1, key, sizeof key, nullptr, nullptr);
      std::string have = "(none)";
      if (value != nullptr) have = hexBytes(value, std::wcslen(value) * sizeof(wchar_t));
      failures += std::string(key) + " is " + have + "; ";
    }
  }
  WORD* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                      &size) ||
      size != 4 || translation[0] != 0x0409 || translation[1] != 0x04B0) {
    failures += "translation is not 0x0409, 0x04B0";
  }
  return failures;
}

}  // namespace

void runResourceChecks(const PluginUnderTest& plugin) {
  report(std::string("image is a ") + kImageKind + " DLL", checkImageKind(plugin));
  report("export directory names ORIELVMX.8BF with ENTRYPOINT1 only", checkExportDirectory(plugin));
  report("imports only system DLLs", checkImports(plugin));
  report("PIMI resource bytes", checkPluginRecord(plugin));
  report("_8BFM resource bytes", checkMenuRecord(plugin));
  report("PiPL resource: header, every property's bytes and padded length", checkPropertyList(plugin));
  report("PiPL entry point is the exported ENTRYPOINT1", checkPropertyListEntry(plugin));
  report("string table texts", checkStringTable(plugin));

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(plugin.path.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(plugin.path.c_str(), 0, size, block.data())) {
    report("version block", "GetFileVersionInfo failed");
    return;
  }
  report("version block fixed part", checkFixedVersion(block));
  report("version block strings and translation", checkVersionStrings(block));
}

}  // namespace wintest
