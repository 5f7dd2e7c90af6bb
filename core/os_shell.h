// Shell services of `os`: opening a file or a stored link for the user, extracting ZIP archives,
// inflating gzip files, the program that opens a kind of file, starting a program and waiting for
// it, per-user file associations and shortcuts, and the formats of memory blobs. Nothing here
// throws except UnzipGZ, and nothing starts a command interpreter. Server registration has no
// counterpart: it answers that it is not available.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class TCustomMemoryStream;
class TMemoryStream;
class TrawBitmap24;

// What UnzipGZ raises: a missing or damaged source, or an output that already exists.
class EGzipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TosShell {
 public:
  // Opens the file with the user's program. A ".qylink" file holds an address: an http(s)
  // address goes to the browser; any other text must name an existing document (nothing that
  // can be run). A picture goes to the desktop's viewer as it is. A program file is run with
  // `parameters` (split as a command line); a document with parameters, or `hidden`, goes with
  // them to its default program where one is known (else to the desktop opener, logged); either
  // starts in the file's folder, minimised when `hidden` and the program is one of ours (any
  // other cannot be asked: logged). True when the program or opener was started.
  bool ViewFile(const std::string& filename, const std::string& parameters, bool hidden);
  bool ViewFile(const std::string& filename, const std::string& parameters) { return ViewFile(filename, parameters, false); }
  bool ViewFile(const std::string& filename) { return ViewFile(filename, "", false); }

  // Extracts every entry of the ZIP archive into the folder (made when missing), overwriting
  // files of the same names. An archive with an entry that would land outside the folder (a
  // ".." part or an absolute name) is refused whole, before anything is written; each such
  // entry is logged. False on refusal or any failure (a part already extracted stays).
  bool unzip(const std::string& source, const std::string& targetdir);
  // As unzip, for the top-level items whose names match the wildcard `filter` (all when empty).
  bool ShellUnzip(const std::string& source, const std::string& target, const std::string& filter);
  // Inflates the gzip file byte for byte into the same name with its ".gz" replaced by "." + ext
  // (a.gz, "csv" gives a.csv; an empty ext just drops ".gz"), and returns that name. Raises
  // EGzipError when the source is missing or damaged, or the output name is taken; nothing is
  // left behind then.
  std::string UnzipGZ(const std::string& source, const std::string& ext);

  // The executable of the default program for files of that extension (or of that bare
  // extension); empty when there is none.
  [[nodiscard]] std::string GetAssociation(const std::string& FileName) const;
  // Gives the files of the code's default extension a MIME type of their own with the
  // description and the icon (a PNG or SVG picture) for this user, opened by this program. False,
  // with nothing written, when that icon file is already the association's, and (logged) when
  // the icon is no such picture or a file cannot be written.
  bool AssociateIcon(int ftype, const std::string& icoFile, const std::string& description);
  // Rebuilds the user's MIME database and desktop-entry cache, so the desktop shows the icons.
  void RefreshAssociations();
  // Loading and registering a server library has no counterpart: logged, false.
  bool RegisterOCX(const std::string& dllpath);
  // The file a symbolic link or a desktop entry leads to; empty for anything else.
  std::string GetShortcutTarget(const std::string& LinkFileName);
  // A desktop entry when the name ends ".desktop" (running a program with `params` in its folder,
  // or opening a document), else a symbolic link; false (logged) for arguments a link cannot keep
  // or a name taken by a file that is not a shortcut.
  bool MakeShortcut(const std::string& LinkFileName, const std::string& target, const std::string& params);

  // Starts the program with the arguments (split as a command line, never by a shell) and waits
  // for it to end, pumping the application's messages meanwhile. False when it cannot be started;
  // true when it ended or the application is terminating.
  bool ExecAndWait(const std::string& ExecuteFile, const std::string& ParamString);

  // The file-type code of a blob of `length` bytes by its first bytes (JPEG, BMP, PDF, PNG, an
  // embedded notes database, or a QYBLOB typed by the file name stored in it); 5 for anything
  // else, 0 for no blob. `name` gets a QYBLOB's stored name. No count inside the blob is trusted
  // past `length`.
  [[nodiscard]] static int blobFormat(const void* pt, size_t length, std::string& name);
  [[nodiscard]] static int blobFormat(const void* pt, size_t length);
  // Same size and bytes; streams of different sizes are not moved, equal sizes are read from the
  // start and put back at their positions.
  [[nodiscard]] static bool BlobsEqual(TCustomMemoryStream& msOne, TCustomMemoryStream& msTwo);
  [[nodiscard]] static bool isEqual(const void* a, const void* b, int64_t size);
  // The bitmap in BMP file form (headers and rows) as the stream's whole contents; the position
  // ends after them.
  static bool SaveBitmap(TrawBitmap24& bm, TMemoryStream& stream);

 private:
  // Hands an http(s) address to the browser; false for any other text.
  bool openWebAddress(const std::string& address);
  bool notAvailable(const std::string& what);
};
