// r_shellTree: TmyShellTree, the file picker's folder tree on the read-only tree: the places of
// the desktop (home, the XDG user folders, the file system, mounted volumes) as top nodes, each
// folder's sub-folders listed when first needed (hidden ones too unless asked otherwise), the
// current folder set and read as a path, a node refreshed from the disk, and in-place renaming
// of a node that renames its folder. Symbolic links to folders show as folders; nothing walks
// into them unasked, so links that loop cost nothing.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/places.h"
#include "ui/r_treeView.h"

class Tedit;

class TmyShellTree : public TtreeView {
 public:
  using EditedEvent = std::function<void(TmyShellTree*, TtreeNode*)>;
  explicit TmyShellTree(platform::TWinControl* owner = nullptr);
  ~TmyShellTree() override;

  // The top nodes: the desktop's places, or those given (tests).
  void loadPlaces();
  void setPlaces(const std::vector<platform::TfolderPlace>&);
  // The folder of a node, without a trailing "/" ("/" for the file system).
  [[nodiscard]] std::string folderOf(const TtreeNode*) const;
  // The selected node's folder; empty without a selection.
  [[nodiscard]] std::string path() const;
  // Opens the tree down to an existing folder and selects it (from code: no event); false, with
  // nothing changed, when the folder does not exist.
  bool setPath(const std::string& folder);
  // The node of a folder when it is in the tree already, else nullptr.
  [[nodiscard]] TtreeNode* nodeOf(const std::string& folder);
  // Lists the node's folder again (an open node stays open).
  void refreshNode(TtreeNode*);

  // ---- in-place renaming: an edit over the node's text; Enter or leaving it renames the
  // folder, Escape keeps the old name. A name that cannot be taken (in use, not allowed, no
  // permission) is said in a message box and the old name stays.
  void startEdit(TtreeNode*);
  void endEdit(bool accept);
  [[nodiscard]] bool editing() const { return fedited != nullptr; }
  [[nodiscard]] Tedit* editor() const { return fedit.get(); }
  // After an edit ended, renamed or not.
  EditedEvent onEdited;

  bool showHidden = true;
  // The folder icon of the desktop's theme, when it has one.
  [[nodiscard]] const platform::TBitmap* folderIcon() const { return ficon.get(); }

 protected:
  void doExpanding(TtreeNode*) override;
  void doDeletion(TtreeNode*) override;

 private:
  void listFolders(TtreeNode*);
  TtreeNode* addFolder(TtreeNode* parent, const std::string& name);
  // The top node whose folder holds the folder most closely, and the path below it.
  TtreeNode* placeHolding(const std::string& folder, std::string& rest);
  TtreeNode* childNamed(TtreeNode*, const std::string& name);
  std::vector<platform::TfolderPlace> fplaces;
  std::unordered_map<const TtreeNode*, std::string> fnames;  // each node's own name on the disk
  std::unique_ptr<Tedit> fedit;
  TtreeNode* fedited = nullptr;
  std::unique_ptr<platform::TBitmap> ficon;
  bool fending = false;
};
