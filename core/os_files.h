// File and folder services of `os`: name parts, existence tests, path tokens, folders, whole text
// files, copying, deleting, listing, numbered and temporary names, file handles, sizes and times.
// Names are UTF-8; folders end in "/"; the name splitters and stored names accept "\" as well.
// Nothing here throws: failures give false, empty text or 0, and the ones worth keeping are logged.
#pragma once
#include <cstdint>
#include <string>

#include "platform/TStringList.h"
#include "platform/datetime.h"

class Tos;

// A file that could not be written: logged now, shown to the user once message boxes exist.
void reportWriteFailure(const std::string& message);

class TosFiles {
 public:
  // Name parts (text only).
  [[nodiscard]] static std::string ExtractFilePath(const std::string& FileName);
  [[nodiscard]] static std::string ExtractFileName(const std::string& FileName);
  [[nodiscard]] static std::string ExtractFilePrefix(const std::string& FileName);
  [[nodiscard]] static std::string ExtractFileExt(const std::string& FileName);
  static void appendBackslash(std::string& dir);

  // Existence and validity.
  [[nodiscard]] static bool FileExists(const std::string& FileName);
  [[nodiscard]] static bool DirectoryExists(const std::string& Dir);
  [[nodiscard]] static bool FileInUse(const std::string& fName);
  [[nodiscard]] static std::string LocationOf(int csidl);
  enum class NewDir { NotAllowed, Allowed };
  bool ValidFilename(const std::string& Filename, NewDir newDirAllowed);

  // Folders.
  bool MakeDirectory(const std::string& Dir);
  void copyDirectory(const std::string& source, const std::string& target);
  enum class RemoveIt { No, Yes };
  bool clearDirectory(const std::string& path, RemoveIt removeit);

  // Path tokens "<path>", "<my data>", "<root>", "<root parent>", "<mydocs>".
  [[nodiscard]] std::string detoken(const std::string& rootdir, const std::string& path) const;
  [[nodiscard]] std::string enToken(const std::string& rootdir, const std::string& path) const;
  enum class AsDir { No, Yes };
  bool checkpath(const std::string& refname, std::string& filename, AsDir asDir);
  bool checkpath(const std::string& refname, std::string& filename) { return checkpath(refname, filename, AsDir::No); }
  bool checkpath(std::string& filename) { return checkpath("", filename, AsDir::No); }
  [[nodiscard]] std::string checkPathReverse(const std::string& refname, const std::string& filename) const;
  [[nodiscard]] std::string checkPathReverse(const std::string& filename) const { return checkPathReverse("", filename); }

  // Whole text files: UTF-8 written without a byte-order mark; reading accepts a mark, else
  // UTF-8, else Windows-1252.
  [[nodiscard]] std::string ReadTextFile(const std::string& filename) const;
  bool WriteTextFile(const std::string& filename, const std::string& s);
  bool AppendToTextFile(const std::string& filename, const std::string& s);

  // Copying and deleting.
  bool deletefile(const std::string& filename);
  bool copyfile(const std::string& source, const std::string& target);

  // Listing; each returns true when the list ends non-empty. `ext` is a comma list.
  enum class Format { Long, Short };
  bool FileListEx(const std::string& dir, const std::string& prefix, const std::string& ext, TStringList& items,
                  Format format);
  bool FileList(const std::string& dir, const std::string& ext, TStringList& items);
  bool ShortFileList(const std::string& dir, const std::string& ext, TStringList& items);
  bool doSubDir(const std::string& dir, TStringList& items, Format format);
  bool SubDirList(const std::string& dir, TStringList& items) { return doSubDir(dir, items, Format::Long); }
  bool SubDirListShort(const std::string& dir, TStringList& items) { return doSubDir(dir, items, Format::Short); }
  bool FileListWithSubdirs(const std::string& dir, const std::string& prefix, const std::string& ext,
                           TStringList& items);
  int FileCountWithSubdirs(const std::string& dir, const std::string& ext);

  // Numbered and temporary files.
  std::string autofilename(const std::string& dir, const std::string& prefix, const std::string& ext);
  std::string autofilename(const std::string& dir, const std::string& ext) { return autofilename(dir, "", ext); }
  // The program's private temporary folder, created on every call.
  std::string getTempDir();
  std::string tempfiledir() { return getTempDir(); }
  // Creates a new empty file with a name no other call has returned, and gives its name.
  std::string tempfilename(const std::string& ext);
  std::string tempfilename() { return tempfilename("tmp"); }
  void clearTempDir();

  // Handles (see r_fileBase.h).
  bool fileOpen(int& f, const std::string& filename);
  bool fileamend(int& f, const std::string& filename);
  bool fileCreate(int& f, const std::string& filename);
  int64_t FileRead(int f, void* v, int64_t size);
  bool FileWrite(int f, const void* v, int64_t size);
  bool FileSeek(int f, int64_t position);
  int64_t filePosition(int f);
  int64_t filesize(int f);
  bool fileEnd(int f);
  bool FileClose(int f);

  // Sizes, attributes and times (UTC at the file system's precision).
  int64_t getfilesize(const std::string& filename);
  std::string getfilesizeStr(const std::string& filename);
  std::string getfilesizeStr(int64_t size) const;
  bool readOnlyFile(const std::string& filename);
  void clearReadOnly(const std::string& filename);
  bool IsDirectoryWriteable(const std::string& dir);
  platform::TDateTime FileDateTime(const std::string& filename);
  platform::TDateTime FileLastModified(const std::string& filename);
  // Sets the last access and last write times (UTC); Linux keeps no settable creation time.
  bool SetDateTime(const std::string& FileName, platform::TDateTime dtCreation, platform::TDateTime dtLastAccessTime,
                   platform::TDateTime dtLastWriteTime);
  platform::TDateTime GetDirectoryDate(const std::string& Folder);

 protected:
  std::string ftempfiledir;

 private:
  Tos& self();
  const Tos& self() const;
  [[nodiscard]] std::string documentsDir() const;
  [[nodiscard]] std::string myDataDir();
  bool tempDirIsPrivate();
};
