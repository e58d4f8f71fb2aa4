// The long-name list of the Open Texture dialog: a list box that stands in
// the place of the platform's file list, line i giving the long name of
// file i, and follows the file list as the platform relists and selects.
#pragma once

#include <windows.h>

namespace chooser {

// Refills the list from the files the file list holds now.
void rebuildLongNameList(HWND dialog);
// Shows the file list or the long names in their shared place, as radio
// button `radioButtonId` asks; nothing when it is already checked.
void switchListView(HWND dialog, int radioButtonId);
// Selects line `newIndex` of the long names and scrolls them as the file
// list is scrolled.
void mirrorFileSelection(HWND dialog, WPARAM newIndex);
// Puts the file of the selected long name into the file-name edit and
// selects it in the file list.
void takeLongNameSelection(HWND dialog);
// Has the list checked against the file list once the platform has finished
// with the command in progress.
void requestLongNameRelist(HWND dialog);
// The dialog hook's messages that concern the list: the relist request and
// the platform's selection-change notice; others are ignored.
void followFileList(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace chooser
