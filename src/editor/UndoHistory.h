#pragma once

#include "model/ConfigStore.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tqv {

// What the editor keeps beside the configuration that belongs to its state, so that undo and redo
// put it back together with the records.
struct EditorMarks {
    bool mappingCommands = true;        // the view's mapping-commands flag (set by protocol picks)
    bool incompleteInformation = false; // the mark the last mapping pass left

    bool operator==(const EditorMarks &) const = default;
};

// How much history is kept. The oldest steps go once either limit is passed; the newest step is
// always kept. Steps hold only the records an action changed: a grid value costs well under 1 KB,
// whole-subnet actions on the largest project (4 subnets x 128 nodes x 128 commands: a node
// deleted from the front, a mapping pass over two full subnets) 50 to 95 KB. One copy of that
// project is about 220 KB; the history holds one more while an action runs.
struct UndoLimits {
    std::size_t maxSteps = 100;
    std::size_t maxBytes = std::size_t{8} << 20;
};

// Undo and redo over the configuration store. Each user action is framed by begin() and commit();
// the records that differ afterwards become one step. A step holds the records of the other side
// (before the action while it can be undone, after it while it can be redone): applying it swaps
// them with the store's, so undo and redo are the same operation and each record is held once.
// The state is the fieldbus, the subnets with their nodes and commands (every slot, counted or
// not), the gateway type and the model flags, and the EditorMarks. configModified,
// uploadPending, keepConfigOnNew and fileVersion describe the document, not its content, and are
// left alone.
class UndoHistory {
public:
    explicit UndoHistory(UndoLimits limits = {});
    ~UndoHistory();
    UndoHistory(const UndoHistory &) = delete;
    UndoHistory &operator=(const UndoHistory &) = delete;

    // A fresh history for a new, opened or uploaded configuration. `matchesFile`: whether the
    // store as it is counts as saved (false for a configuration that is already modified).
    void reset(bool matchesFile = true);

    // Before a user action touches the store.
    void begin(const ConfigStore &store, const EditorMarks &marks);
    // After it: records what differs from begin() as one step and drops the steps that could be
    // redone. Returns whether a step was recorded (nothing when nothing differs, or without begin).
    bool commit(const ConfigStore &store, const EditorMarks &marks);
    bool inAction() const { return m_before != nullptr; }

    bool canUndo() const { return !inAction() && m_applied > 0; }
    bool canRedo() const { return !inAction() && m_applied < m_steps.size(); }
    // Step back / forward: records of `store` and `marks` are replaced. False when there is none.
    bool undo(ConfigStore &store, EditorMarks &marks);
    bool redo(ConfigStore &store, EditorMarks &marks);

    // The store as it is now was written to its file.
    void markSaved();
    // Whether the current point differs from the saved one. A saved point that was dropped with
    // the redo steps (an edit after undoing past it) is never reached again.
    bool modified() const;

    std::size_t undoCount() const { return m_applied; }
    std::size_t redoCount() const { return m_steps.size() - m_applied; }
    // Bytes held by the steps: the records themselves and their texts' heap storage.
    std::size_t bytes() const { return m_bytes; }
    const UndoLimits &limits() const { return m_limits; }

    struct Step;

private:
    void apply(Step &step, ConfigStore &store, EditorMarks &marks);
    void trim();
    std::size_t position() const { return m_dropped + m_applied; }

    UndoLimits m_limits;
    std::deque<std::unique_ptr<Step>> m_steps;
    std::size_t m_applied = 0; // steps [0, m_applied) can be undone, the rest redone
    std::size_t m_dropped = 0; // steps dropped at the front since the reset
    std::size_t m_bytes = 0;
    std::optional<std::size_t> m_saved = 0; // position of the saved point, if still reachable
    std::unique_ptr<ConfigStore> m_before;
    EditorMarks m_marksBefore;
};

// Bytes one store occupies: the records and their texts' heap storage (for the memory figures).
std::size_t storeBytes(const ConfigStore &store);

} // namespace tqv
