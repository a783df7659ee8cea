// One panel's life: made by CreatePanel, deleted by DestroyPanel. Everything that
// changes while a panel lives is here, so the next panel of the same module load
// starts from nothing of the one before it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data/LauncherRecords.h"
#include "platform/ItemIcons.h"

struct PanelDropTarget;
struct TextPromptRequest;
struct SaveChannel;
struct DropRequest;

// A removal Ctrl+Z can take back (RemovalUndo.h). An item names its page by the
// page's serial, not its index: pages removed, added or brought back meanwhile move
// indexes, and an item must never come back on another page.
struct Removal {
    bool isPage;
    int index;            // the page's or the item's index when it was removed
    uint32_t pageSerial;  // an item's page
    LauncherItem item;
    LauncherPage page;
};

// What the drop being finished could not take (FileDrop.cpp), told at its end.
struct DropTally {
    int beyondBound = 0;
    int unusable = 0;
    int refused = 0;         // files the workers had no room for
    bool limitTold = false;  // the item limit was reached and said: the rest goes unsaid
    int place = -1;          // where the drop's next item goes on its page; -1: last
};

struct PanelRecord {
    HWND panelWindow = nullptr;
    HWND listView = nullptr;
    HWND tabControl = nullptr;
    HIMAGELIST largeImageList = nullptr;  // 32x32, the list view's normal image list
    HIMAGELIST smallImageList = nullptr;  // 16x16, the list view's small image list
    PanelDropTarget* dropTarget = nullptr;
    // OleInitialize succeeded for this panel and awaits its OleUninitialize.
    bool oleStarted = false;
    // True from a successful load of the settings until the panel is destroyed:
    // only a panel that read the file may write it back.
    bool settingsLoaded = false;
    bool layoutTimerStarted = false;

    // An icon dragged inside the list (ItemDrag.h).
    bool dragging = false;
    int dragSource = -1;
    int dragOffsetX = 0;
    int dragOffsetY = 0;

    // The in-place rename (LabelEdit.h): the editor.
    HWND labelEditControl = nullptr;
    // The host's frame, titled "Rename" while the edit lasts, and its title before.
    HWND renameTitleWindow = nullptr;
    std::wstring renameTitle;

    // The save timer (AutoSave.h).
    bool saveArmed = false;
    // Something was changed since the panel was created: its saves keep the file
    // as it was loaded in the backup first.
    bool changedSinceLoad = false;
    bool saving = false;
    int saveRetriesLeft = 0;
    bool saveFailureTold = false;  // a save that could not write was told once
    SaveChannel* saveChannel = nullptr;  // the saves a worker writes (AutoSave.cpp)

    // Ctrl+Z's removals, latest last, and the last page serial given out.
    std::vector<Removal> removals;
    uint32_t lastSerial = 0;

    // The shift ApplyPositions adds to the shown page's places (PanelViews.cpp).
    int shiftedPage = -1;
    POINT placeShift = {0, 0};

    // The empty page's hint was drawn in the list (EmptyPageHint.h).
    bool emptyHintShown = false;

    // The modal dialogs (Dialogs.h): the page and item the properties dialog shows
    // stay after it closes; the window and the prompt's request are dropped.
    int propertiesPage = -1;
    int propertiesItem = -1;
    HWND propertiesDialog = nullptr;
    TextPromptRequest* textRequest = nullptr;

    // The generation this panel's worker tasks carry (Workers.h); results of any
    // other are dropped.
    DWORD generation = 0;
    // The images (ItemImages.h): the shell's placeholder per extension, and per
    // image slot the ticket of its latest request.
    std::map<std::wstring, int> placeholders;
    std::vector<uint32_t> imageTickets;
    uint32_t lastTicket = 0;

    // Drops (FileDrop.cpp): the next number given, the next to finish, and those
    // back from their workers ahead of their turn.
    uint32_t nextDropSequence = 0;
    uint32_t nextDropToFinish = 0;
    std::map<uint32_t, DropRequest*> waitingDrops;
    bool finishingDrops = false;
    DropTally dropTally;

    ItemImageLists ImageLists() const { return ItemImageLists{largeImageList, smallImageList}; }
};

// The panel of this module load, or null while there is none.
extern PanelRecord* livePanel;

// After one of the panel's modal loops (ModalHold.h), during which the host may
// have destroyed the panel: whether the panel of `generation` still lives.
inline DWORD LiveGeneration()
{
    return livePanel ? livePanel->generation : 0;
}
inline bool PanelStillLives(DWORD generation)
{
    return generation && LiveGeneration() == generation;
}
