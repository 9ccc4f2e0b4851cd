// Undo and redo of the stand-in host's document. Each step keeps what its changes replaced, not a
// copy of the document: art placed, moved or removed (its old place; removed art stays in the
// arena, detached, so that undo puts the same art back), the old values of art and layers changed
// (once per object and step), the old entries of dictionaries and arrays, and the layer list.
// Every record is a swap with the live state, so undoing a step (its records in reverse order)
// leaves in each record what redo puts back (in order).
#pragma once

#include "shell/host/dictionary.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

namespace vx::host {

struct ArtOpaque;
struct LayerOpaque;
class Document;
class DictionaryImpl;
class ArrayImpl;

class Journal {
 public:
  // At most this many undo steps are kept; older ones are forgotten.
  static constexpr std::size_t kMostSteps = 100;
  // Beyond this many bytes of kept values (approximate), the oldest steps are forgotten too; the
  // newest step is always kept.
  static constexpr std::size_t kMostBytes = std::size_t{512} << 20;

  explicit Journal(Document& doc);
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal();

  // The journal of the host's open document records; others (documents being read or built by
  // tests) do not.
  void SetActive(bool active);
  static Journal* Active();

  // A person's command starts: the changes until End are one undo step. Changes made outside a
  // command (by a notification) open a step of their own, ended by the next Begin, Undo or Redo.
  void Begin();
  // The command has ended: a step that changed something becomes the newest undo step (and the
  // redo steps go).
  void End();

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  std::size_t UndoCount() const { return undo_.size(); }
  bool Undo();
  bool Redo();

  // Counts changes: each change takes a new number, undo and redo move back to the number the
  // document had then. The document differs from its file while Revision() != the revision saved.
  std::uint64_t Revision() const { return revision_; }
  void MarkSaved() { saved_ = revision_; }
  // Counts changes that can alter how art looks (art values and places, the layer list), recorded
  // or not, undone or redone: while it stands still, drawings made from the art stay valid. The
  // numbers are unique across documents.
  std::uint64_t ArtSerial() const { return artSerial_; }
  bool Unsaved() const { return revision_ != saved_; }

  // Called before the change it names.
  void ArtValuesChanging(ArtOpaque* art);
  void ArtPlacing(ArtOpaque* art);  // created, moved or removed
  void LayerValuesChanging(LayerOpaque* layer);
  void LayersChanging();  // the top-level layer list or the current layer
  void DictionaryChanging(DictionaryImpl& dict, const std::string& key);
  void ArrayChanging(ArrayImpl& array);
  // A dictionary or array made during this step needs no records: its earlier state is that it
  // did not exist.
  static std::uint64_t NewContainerSerial();

 private:
  struct ArtValues {
    ArtOpaque* art;
    std::unique_ptr<ArtOpaque> values;
  };
  struct ArtPlace {
    ArtOpaque* art;
    ArtOpaque* parent;  // nullptr: not in the tree (not yet created, or removed)
    ArtOpaque* below;   // the sibling below, nullptr: bottommost
  };
  struct LayerValues {
    LayerOpaque* layer;
    std::string title;
    bool visible, editable;
  };
  struct Layers {
    std::vector<LayerOpaque*> layers;
    LayerOpaque* current;
  };
  // Records are kept small (a step that imports holds one per new art): what a dictionary record
  // keeps is held apart.
  struct DictEntry {
    std::shared_ptr<DictionaryImpl> dict;
    struct Old {
      std::string key;
      std::optional<Entry> entry;
    };
    std::unique_ptr<Old> old;
  };
  struct ArrayItems {
    std::shared_ptr<ArrayImpl> array;
    std::vector<Entry> items;
  };
  using Record = std::variant<ArtValues, ArtPlace, LayerValues, Layers, DictEntry, ArrayItems>;
  struct Step {
    std::vector<Record> records;
    std::uint64_t before = 0, after = 0;  // revisions
    std::size_t bytes = 0;
  };

  bool Recording();
  void Touch(std::size_t bytes);
  void Swap(Record& r);
  void UndoRecords(Step& s);
  void RedoRecords(Step& s);
  void Trim();
  void Revive(ArtOpaque* art, bool alive);
  void CheckCurrentLayer();

  Document& doc_;
  std::deque<Step> undo_;
  std::vector<Step> redo_;
  std::optional<Step> open_;
  bool explicitStep_ = false;  // open_ was begun by Begin
  std::uint64_t stepSerial_ = 0;  // containers made after this belong to the open step
  std::unordered_set<const void*> seen_;  // objects whose values the open step keeps
  bool layersSeen_ = false;
  std::uint64_t revision_ = 0;
  std::uint64_t lastRevision_ = 0;
  std::uint64_t saved_ = 0;
  std::uint64_t artSerial_ = 0;
  std::size_t bytes_ = 0;
  bool replaying_ = false;
};

}  // namespace vx::host
