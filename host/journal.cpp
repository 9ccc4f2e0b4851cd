#include "host/journal.h"

#include "host/document.h"

#include <algorithm>
#include <atomic>

namespace vx::host {

namespace {

Journal* gActive = nullptr;
std::atomic<std::uint64_t> gSerial{0};
std::atomic<std::uint64_t> gArtSerial{0};  // unique across documents

// Rough sizes (bytes) of what records keep, for the journal's memory bound.
constexpr std::size_t kRecordBytes = 64;
std::size_t EntryBytes(const Entry& e) {
  std::string s;
  return kRecordBytes + (e.AsString(s) == kNoErr ? s.size() : 0);
}

}  // namespace

Journal::Journal(Document& doc) : doc_(doc), artSerial_(++gArtSerial) {}

Journal::~Journal() {
  if (gActive == this) gActive = nullptr;
}

void Journal::SetActive(bool active) {
  if (active) gActive = this;
  else if (gActive == this) gActive = nullptr;
}

Journal* Journal::Active() { return gActive; }

std::uint64_t Journal::NewContainerSerial() { return ++gSerial; }

bool Journal::Recording() {
  if (replaying_ || gActive != this) return false;
  if (!open_) {
    open_ = Step();  // not emplace(): clang 14 takes Step for not default-constructible
    open_->before = revision_;
    explicitStep_ = false;
    stepSerial_ = gSerial;
    seen_.clear();
    layersSeen_ = false;
  }
  revision_ = ++lastRevision_;
  return true;
}

void Journal::Touch(std::size_t bytes) { open_->bytes += bytes; }

void Journal::Begin() {
  SetActive(true);
  End();  // a step that notifications opened
  open_ = Step();  // not emplace(): clang 14 takes Step for not default-constructible
  open_->before = revision_;
  explicitStep_ = true;
  stepSerial_ = gSerial;
  seen_.clear();
  layersSeen_ = false;
}

void Journal::End() {
  if (!open_) return;
  Step s = std::move(*open_);
  open_.reset();
  seen_.clear();
  if (s.records.empty()) return;
  s.after = revision_;
  for (const Step& r : redo_) bytes_ -= r.bytes;
  redo_.clear();
  bytes_ += s.bytes;
  undo_.push_back(std::move(s));
  Trim();
}

void Journal::Trim() {
  while (undo_.size() > 1 && (undo_.size() > kMostSteps || bytes_ > kMostBytes)) {
    bytes_ -= undo_.front().bytes;
    undo_.pop_front();
  }
}

bool Journal::Undo() {
  End();
  if (undo_.empty()) return false;
  Step s = std::move(undo_.back());
  undo_.pop_back();
  UndoRecords(s);
  revision_ = s.before;
  redo_.push_back(std::move(s));
  return true;
}

bool Journal::Redo() {
  End();
  if (redo_.empty()) return false;
  Step s = std::move(redo_.back());
  redo_.pop_back();
  RedoRecords(s);
  revision_ = s.after;
  undo_.push_back(std::move(s));
  return true;
}

void Journal::UndoRecords(Step& s) {
  replaying_ = true;
  for (auto it = s.records.rbegin(); it != s.records.rend(); ++it) Swap(*it);
  CheckCurrentLayer();
  replaying_ = false;
}

void Journal::RedoRecords(Step& s) {
  replaying_ = true;
  for (Record& r : s.records) Swap(r);
  CheckCurrentLayer();
  replaying_ = false;
}

// ----- records

void Journal::ArtValuesChanging(ArtOpaque* art) {
  artSerial_ = ++gArtSerial;
  if (open_ && art->serial > stepSerial_) return;  // made during this step
  if (!Recording() || !seen_.insert(art).second) return;
  auto values = std::make_unique<ArtOpaque>(*art);
  Touch(sizeof(ArtOpaque) + values->segments.Bytes() + values->Extra().text.size() * 2 +
        values->Extra().tags.size() * kRecordBytes);
  open_->records.emplace_back(ArtValues{art, std::move(values)});
}

void Journal::ArtPlacing(ArtOpaque* art) {
  artSerial_ = ++gArtSerial;
  if (!Recording()) return;
  // Art placed for the first time is new: its values need no record, undo takes it away whole.
  if (!art->parent && art->serial <= stepSerial_) seen_.insert(art);
  Touch(kRecordBytes);
  open_->records.emplace_back(ArtPlace{art, art->parent, art->next});
}

void Journal::LayerValuesChanging(LayerOpaque* layer) {
  if (!Recording() || !seen_.insert(layer).second) return;
  Touch(kRecordBytes + layer->title.size());
  open_->records.emplace_back(LayerValues{layer, layer->title, layer->visible, layer->editable});
}

void Journal::LayersChanging() {
  artSerial_ = ++gArtSerial;
  if (!Recording() || layersSeen_) return;
  layersSeen_ = true;
  Touch(kRecordBytes + doc_.layers.size() * sizeof(void*));
  open_->records.emplace_back(Layers{doc_.layers, doc_.current});
}

void Journal::DictionaryChanging(DictionaryImpl& dict, const std::string& key) {
  if (open_ && dict.serial > stepSerial_) return;  // made during this step
  auto self = std::static_pointer_cast<DictionaryImpl>(dict.weak_from_this().lock());
  if (!self || !Recording()) return;
  std::optional<Entry> old;
  if (const Entry* e = dict.Find(key)) old = *e;
  Touch(kRecordBytes + key.size() + (old ? EntryBytes(*old) : 0));
  open_->records.emplace_back(DictEntry{std::move(self), std::make_unique<DictEntry::Old>(DictEntry::Old{key, std::move(old)})});
}

void Journal::ArrayChanging(ArrayImpl& array) {
  if (open_ && array.Serial() > stepSerial_) return;
  auto self = std::static_pointer_cast<ArrayImpl>(array.weak_from_this().lock());
  if (!self || !Recording() || !seen_.insert(&array).second) return;
  std::size_t bytes = kRecordBytes;
  for (const Entry& e : array.items_) bytes += EntryBytes(e);
  Touch(bytes);
  open_->records.emplace_back(ArrayItems{std::move(self), array.items_});
}

// ----- replaying

void Journal::Revive(ArtOpaque* art, bool alive) {
  std::vector<ArtOpaque*> all{art};
  Document::Walk(art, all);
  for (ArtOpaque* a : all) {
    a->alive = alive;
    if (a->layerOfGroup) a->layerOfGroup->alive = alive;
  }
}

void Journal::Swap(Record& record) {
  if (!std::holds_alternative<DictEntry>(record) && !std::holds_alternative<ArrayItems>(record)) artSerial_ = ++gArtSerial;
  std::visit(
      [&](auto& r) {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, ArtValues>) {
          ArtOpaque& a = *r.art;
          ArtOpaque& v = *r.values;
          std::swap(a, v);
          // The node's place, life, kind, dictionary and selection are not its values.
          std::swap(a.type, v.type);
          std::swap(a.serial, v.serial);
          std::swap(a.alive, v.alive);
          std::swap(a.parent, v.parent);
          std::swap(a.firstChild, v.firstChild);
          std::swap(a.lastChild, v.lastChild);
          std::swap(a.prev, v.prev);
          std::swap(a.next, v.next);
          std::swap(a.layerOfGroup, v.layerOfGroup);
          std::swap(a.dictionary, v.dictionary);
          const std::uint32_t selected = v.flags & kArtSelected;
          v.flags = (v.flags & ~kArtSelected) | (a.flags & kArtSelected);
          a.flags = (a.flags & ~kArtSelected) | selected;
        } else if constexpr (std::is_same_v<T, ArtPlace>) {
          ArtOpaque* art = r.art;
          ArtOpaque* parent = art->parent;
          ArtOpaque* below = art->next;
          Document::Unlink(art);
          if (r.parent) {
            Revive(art, true);
            if (r.below) doc_.Place(art, PaintOrder::Above, r.below);
            else doc_.Place(art, PaintOrder::InsideOnBottom, r.parent);
          } else {
            Revive(art, false);
            art->flags &= ~kArtSelected;
          }
          r.parent = parent;
          r.below = below;
        } else if constexpr (std::is_same_v<T, LayerValues>) {
          LayerOpaque& l = *r.layer;
          std::swap(l.title, r.title);
          std::swap(l.visible, r.visible);
          std::swap(l.editable, r.editable);
        } else if constexpr (std::is_same_v<T, Layers>) {
          const std::vector<LayerOpaque*> was = doc_.layers;
          LayerOpaque* const wasCurrent = doc_.current;
          doc_.layers = r.layers;
          doc_.current = r.current;
          for (LayerOpaque* l : was)
            if (std::find(doc_.layers.begin(), doc_.layers.end(), l) == doc_.layers.end()) Revive(l->group, false);
          for (LayerOpaque* l : doc_.layers)
            if (std::find(was.begin(), was.end(), l) == was.end()) Revive(l->group, true);
          r.layers = was;
          r.current = wasCurrent;
        } else if constexpr (std::is_same_v<T, DictEntry>) {
          r.old->entry = r.dict->Exchange(r.old->key, std::move(r.old->entry));
        } else if constexpr (std::is_same_v<T, ArrayItems>) {
          r.array->Unpack();
          std::swap(r.array->items_, r.items);
        }
      },
      record);
}

void Journal::CheckCurrentLayer() {
  // Undoing the making of the current layer leaves the topmost current, as deleting it does.
  if (doc_.current && !doc_.current->alive) doc_.current = nullptr;
  if (!doc_.current && !doc_.layers.empty()) doc_.current = doc_.layers.front();
}

}  // namespace vx::host
