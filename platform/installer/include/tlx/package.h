// Driver packages ("vodex_<name>.msi"): a tar archive (gzip-compressed) whose first entry is
// the manifest, a text of "KEY=value" lines:
//
//   VODEXPACKAGE=1
//   PRODUCTCODE={8-4-4-4-12 hexadecimal digits}
//   NAME=the driver's display name
//   VERSION=1.2.3                  dotted numbers
//   NEEDINTERFACE=400              the lowest toolkit build it needs; 0 = none
//   COMPONENT=Vodex_Balance.so     the component file, one of the files
//   CLASS=Vodex_Balance            a driver class name it installs (one line each)
//   FILE=name|size|hash            every further entry (BLAKE2b-256, hexadecimal)
//
// followed by exactly the files the manifest lists, each a plain file directly in the archive.
// Packages are untrusted: reading one checks every entry's name, kind and size against the
// manifest and the limits below, and the checksum of every file, before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tlx/error.h"

namespace tlx::package {

inline constexpr std::size_t kMaxFiles = 32;
inline constexpr std::uint64_t kMaxFileSize = 64ull << 20;
inline constexpr std::uint64_t kMaxTotalSize = 64ull << 20;
inline constexpr std::size_t kMaxManifestSize = 64 << 10;
inline constexpr const char* kManifestName = "MANIFEST";

struct PackageFile {
    std::string name;
    std::uint64_t size = 0;
    std::string hash;
};

struct Manifest {
    std::string productCode;
    std::string name;
    std::string version;
    std::int32_t needInterface = 0;
    std::string component;
    std::vector<std::string> classes;
    std::vector<PackageFile> files;

    // The manifest's text.
    std::string Text() const;
    // Reads and checks a manifest; throws InvalidPackage saying what is wrong.
    static Manifest Parse(std::string_view text);
};

// The package cannot be opened at all (missing, unreadable, a folder).
class PackageNotOpenable : public Error {
  public:
    using Error::Error;
};
// The package is damaged, malformed or breaks a rule of the format.
class InvalidPackage : public Error {
  public:
    using Error::Error;
};

struct Package {
    Manifest manifest;
    // The files in manifest order, with their contents.
    std::vector<std::pair<std::string, std::string>> files;
};

// Reads and checks the package at `file`, keeping its files in memory; throws
// PackageNotOpenable or InvalidPackage naming the file and the reason.
Package ReadPackage(const std::string& file);
// Writes a package of `files` (name, content) to `file`, with a manifest made from `manifest`
// (its file list is filled in here). Throws tlx::Error when it cannot be written.
void WritePackage(const std::string& file, Manifest manifest,
                  const std::vector<std::pair<std::string, std::string>>& files);

// The checksum the manifest gives for `bytes`.
std::string FileHash(std::string_view bytes);
// The product code a driver's packages carry unless their author chose another: the same for
// every version of the driver, so a newer package replaces the installed one.
std::string ProductCodeFor(std::string_view driverClass);
// Whether `text` is a product code ("{" 8-4-4-4-12 hexadecimal digits "}").
bool IsProductCode(std::string_view text);
// Whether `name` may name a file of a package: letters, digits, ".", "_", "+", "-", not
// starting with a dot, at most 128 characters.
bool IsPlainFileName(std::string_view name);

}  // namespace tlx::package
