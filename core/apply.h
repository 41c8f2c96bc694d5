// Carries PlannedList out in the registry after the user confirms it.
#pragma once

#include <functional>
#include <vector>

#include "core/overlay.h"
#include "core/registry.h"
#include "core/undo.h"

namespace tessary {

// Base ids of the texts this step shows; the language offset is added by the
// message box seam.
inline constexpr int IdsConfirmChange = 203;
inline constexpr int IdsChangeSucceeded = 204;
inline constexpr int IdsChangeFailed = 205;

inline constexpr unsigned MbOk = 0;
inline constexpr unsigned MbYesNo = 4;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

// The message box: shows the text of the string with that base id in the
// user's language, with the program's name as caption, and returns the button.
class MessageBoxApi {
public:
    virtual ~MessageBoxApi() = default;
    virtual int ShowMessage(int textId, unsigned type) = 0;
};

// Asks the system to sign the interactive user out (ExitWindowsEx(0, 0)).
class SignOutApi {
public:
    virtual ~SignOutApi() = default;
    virtual void RequestSignOut() = 0;
};

// What one run has done to the registry. Once a walk has changed it, the plan
// read at start no longer describes it, and replaying it could delete the only
// registration of a handler.
struct ApplyState {
    bool registryChanged = false;
};

struct ApplyServices {
    RegistryApi& registry;
    MessageBoxApi& messages;
    SignOutApi& signOut;
    UndoTarget undo;
    std::function<void()> writeSettings;
};

// The longest subkey name the registry accepts.
inline constexpr std::size_t MaxKeyNameLength = 255;

// Whether every step of the walk can succeed on a key that holds these subkey
// names, judged by names alone: each entry finds its present name, each rename
// finds its target free (ignoring case) and short enough. Each step updates the
// names for the next. A name holding U+0000 refuses the walk.
bool WalkIsPossible(const OverlayList& PlannedList, const std::vector<std::u16string>& presentNames);

// The check before the walk, against the key as it is now: the names allow
// every step (WalkIsPossible); each subkey that a step renames or deletes, and
// every key below it, can be read whole for the undo file and opened with the
// access its step needs; each duplicate to delete has no subkeys, and it and
// the twin that the plan keeps for it still hold the handler read at start.
// Fills the undo steps; false refuses the change.
bool KeyAllowsWalk(RegistryApi& registry, const OverlayList& PlannedList, std::vector<UndoStep>& steps);

// Asks for confirmation, then checks the whole walk against the key as it is
// now (KeyAllowsWalk) and writes the undo file: a walk that the check refuses,
// or whose undo file cannot be written, changes nothing. Otherwise walks the plan
// from first to last (delete, keep or rename), stops at the first failure and
// reports it; on success offers to sign out, writing the settings first. An undo
// file is left exactly when the registry was changed, for the steps that ran.
// Does nothing once the registry was changed.
void ApplyPlannedList(const OverlayList& PlannedList, const ApplyServices& services, ApplyState& state);

}  // namespace tessary
