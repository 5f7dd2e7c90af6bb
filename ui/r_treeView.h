// r_treeView: TtreeView, a read-only tree of our own on the control base: nodes with a text, an
// integer data value and children, children listed lazily through an expand event, single
// selection with a whole-row highlight, no connecting lines, expand and collapse by click and
// keys, a vertical and (when the rows are wider than the view) a horizontal scroll bar, and the
// wheel. Rows are kept as one flat list of the shown nodes and only the rows in view are drawn,
// so trees of tens of thousands of nodes stay quick.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"

namespace platform {
class TBitmap;
class TScrollBar;
}  // namespace platform

class TtreeView;

class TtreeNode {
 public:
  TtreeNode(TtreeView* view, TtreeNode* parent, std::string text, int32_t data);
  TtreeNode(const TtreeNode&) = delete;
  TtreeNode& operator=(const TtreeNode&) = delete;

  [[nodiscard]] const std::string& text() const { return ftext; }
  // From code: no event; the row is drawn again.
  void setText(const std::string&);
  [[nodiscard]] TtreeNode* parent() const { return fparent; }
  [[nodiscard]] int count() const { return static_cast<int>(fitems.size()); }
  [[nodiscard]] TtreeNode* item(int i) const;
  [[nodiscard]] int index() const { return findex; }  // among its siblings
  [[nodiscard]] int level() const;                    // 0 for a top node
  [[nodiscard]] bool expanded() const { return fexpanded; }
  // Children, or children that the expand event may still list (the node shows its button).
  [[nodiscard]] bool hasChildren() const { return !fitems.empty() || (fhasChildren && !flisted); }
  void setHasChildren(bool v);
  // Whether the expand event has listed the children (or they were added from code).
  [[nodiscard]] bool listed() const { return flisted; }
  // The texts from the top node down to this one, joined by sep.
  [[nodiscard]] std::string path(const std::string& sep) const;
  [[nodiscard]] bool isAncestorOf(const TtreeNode* n) const;

  int32_t data = 0;
  int imageIndex = -1;  // into the view's images; -1 for none

 private:
  friend class TtreeView;
  TtreeView* fview;
  TtreeNode* fparent;
  std::string ftext;
  std::vector<std::unique_ptr<TtreeNode>> fitems;
  int findex = 0;
  int fwidth = -1;  // measured text width, -1 until measured
  int frow = -1;    // row at the last rebuild; valid while the node is shown
  bool fexpanded = false;
  bool fhasChildren = false;
  bool flisted = false;
};

class TtreeView : public TQYcontrol {
 public:
  using Notify = std::function<void(TtreeView*)>;
  using NodeEvent = std::function<void(TtreeView*, TtreeNode*)>;
  using DrawNodeEvent = std::function<void(TtreeView*, TtreeNode*, platform::TRect, bool selected)>;
  explicit TtreeView(platform::TWinControl* owner = nullptr);
  ~TtreeView() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TTreeView"; }
  // A focused tree moves and opens with the arrow, plus and minus keys.
  [[nodiscard]] bool keepsArrowKeys() const override { return true; }

  // ---- nodes (from code: no event but onDeletion)
  // A new last child of parent (a new top node for nullptr).
  TtreeNode* add(TtreeNode* parent, const std::string& text, int32_t data = 0);
  // A new child at index among parent's children (clamped).
  TtreeNode* insert(TtreeNode* parent, int index, const std::string& text, int32_t data = 0);
  // Frees the node and its children; onDeletion hears each, children first.
  void deleteNode(TtreeNode*);
  // Frees the children; the node may list them again through the expand event.
  void deleteChildren(TtreeNode*);
  void clear();
  // Many changes at once: rows are rebuilt and painted once, at the last endUpdate.
  void beginUpdate();
  void endUpdate();
  [[nodiscard]] int topCount() const { return static_cast<int>(ftops.size()); }
  [[nodiscard]] TtreeNode* top(int i) const;
  [[nodiscard]] int totalCount() const { return ftotal; }

  // ---- finding
  // The first child of parent (top nodes for nullptr) with exactly that text, or nullptr.
  [[nodiscard]] TtreeNode* findChild(TtreeNode* parent, const std::string& text) const;
  // Follows the texts down from the top nodes; children not listed yet are listed on the way
  // (through the expand event) when listing is Listing::Yes. nullptr when a text is missing.
  enum class Listing { No, Yes };
  TtreeNode* findPath(const std::vector<std::string>& texts, Listing = Listing::No);
  // The same with the texts joined by sep ("Europe/France/Paris").
  TtreeNode* findPath(const std::string& path, const std::string& sep, Listing = Listing::No);

  // ---- expanding (from code: the expand event still lists children, nothing else fires)
  // Lists the node's children through onExpanding once, without showing them.
  void listChildren(TtreeNode*);
  void expand(TtreeNode*);
  void collapse(TtreeNode*);
  void toggle(TtreeNode*);
  void expandAll();
  void collapseAll();
  // Expands every ancestor and scrolls the node's row into view.
  void makeVisible(TtreeNode*);
  // Every node, parents before their children (listing nothing).
  void forEachNode(const std::function<void(TtreeNode*)>&);

  // ---- selection (from code: no event)
  [[nodiscard]] TtreeNode* selected() const { return fselected; }
  // Also makes the node visible; nullptr clears the selection.
  void setSelected(TtreeNode*);

  // ---- rows and geometry, in client pixels
  [[nodiscard]] int rowHeight() const { return frowHeight; }
  void setRowHeight(int);
  [[nodiscard]] int rowCount();                    // rows shown when scrolled through
  [[nodiscard]] TtreeNode* rowNode(int row);       // nullptr out of range
  [[nodiscard]] int rowOf(const TtreeNode*);       // -1 when the node is not shown
  [[nodiscard]] int topRow() const { return ftop; }
  void setTopRow(int);
  [[nodiscard]] int rowsInView() const;            // whole rows that fit
  [[nodiscard]] int leftOffset() const { return fleft; }  // pixels scrolled to the left
  void setLeftOffset(int);
  // The node's row (the whole width of the view); empty when not in view.
  [[nodiscard]] platform::TRect nodeRect(TtreeNode*);
  // Where the node's text begins; the expand button lies just before it.
  [[nodiscard]] int textLeft(const TtreeNode*) const;
  [[nodiscard]] platform::TRect buttonRect(TtreeNode*);
  [[nodiscard]] TtreeNode* nodeAt(int x, int y);
  // The width all shown rows need, text included.
  [[nodiscard]] int contentWidth();
  [[nodiscard]] platform::TScrollBar* vertBar() const { return fvbar.get(); }
  [[nodiscard]] platform::TScrollBar* horzBar() const { return fhbar.get(); }
  // The part of the view that shows rows (without the scroll bars).
  [[nodiscard]] platform::TRect viewRect() const;

  // ---- mouse and keys, in client pixels (the window's handlers call them)
  void mouseDown(platform::TMouseButton, platform::TShiftState, int x, int y);
  void keyDown(int key, platform::TShiftState);
  void wheel(int delta);

  // ---- settings
  int fontsize = 0;  // points; 0 for the program's size
  int indent = 0;    // pixels per level; 0 for gp(16)
  std::vector<const platform::TBitmap*> images;  // borrowed; drawn before a node's text
  int32_t selectColour = -1;  // -1: the services object's selection colour
  int32_t selectFontColour = 0xFFFFFF;
  int32_t fontColour = 0;

  // ---- events
  // A node without listed children is about to show or be searched: add its children now.
  NodeEvent onExpanding;
  NodeEvent onExpanded, onCollapsed;
  // The user selected another node (mouse or keys).
  NodeEvent onChange;
  // A left click on a row, after any selection change.
  Notify onClick, onDblClick;
  // A node is being freed.
  NodeEvent onDeletion;
  // After a row is drawn (the canvas is Canvas()).
  DrawNodeEvent onPostDrawNode;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;
  // What a derived tree does before the events: list a node's children (the default fires
  // onExpanding) and hear of a node being freed (the default fires onDeletion).
  virtual void doExpanding(TtreeNode*);
  virtual void doDeletion(TtreeNode*);

 private:
  void rowsChanged();
  void rebuildRows();
  void appendRows(TtreeNode*);
  void updateBars();
  void invalidateNode(TtreeNode*);
  void userSelect(TtreeNode*);
  void userExpand(TtreeNode*);
  void userCollapse(TtreeNode*);
  void userToggle(TtreeNode*);
  void freeNode(std::unique_ptr<TtreeNode>& n);
  void renumber(std::vector<std::unique_ptr<TtreeNode>>& items, size_t from);
  void nodeTextChanged(TtreeNode*);
  int measure(TtreeNode*);
  void setupFont(platform::TCanvas&) const;
  [[nodiscard]] static bool shown(const TtreeNode*);  // every ancestor expanded
  [[nodiscard]] int indentPx() const;
  [[nodiscard]] int levelLeft(int level) const;
  [[nodiscard]] int imageSpace(const TtreeNode*) const;
  friend class TtreeNode;

  std::vector<std::unique_ptr<TtreeNode>> ftops;
  std::vector<TtreeNode*> frows;  // the shown nodes, in row order
  TtreeNode* fselected = nullptr;
  int ftotal = 0;
  int frowHeight = 18;
  int ftop = 0;
  int fleft = 0;
  int fcontentWidth = -1;  // -1: to be measured
  int fupdating = 0;
  bool frowsDirty = false;
  bool fbarsBusy = false;
  uint32_t flastClickAt = 0;
  const TtreeNode* flastClickNode = nullptr;  // compared only, never read
  std::unique_ptr<platform::TScrollBar> fvbar, fhbar;
};
