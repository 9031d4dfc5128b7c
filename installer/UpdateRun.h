#pragma once
#include <windows.h>
#include <string>

// Messages of the installer's own flow.
extern const char* const kNotInstalledText;
extern const char* const kErrorCaption;
extern const char* const kNoRoomText;
extern const char* const kSuccessText;
extern const char* const kSuccessCaption;

// Settles what an earlier, killed update left in the game folder, plans the
// copy of the medium's source folders into it, checks the free space, runs
// the engine while pumping messages and ends with a message (or silently
// after a rollback).
void RunUpdate(const std::string& gameFolder, HWND owner);

// Builds the engine's job (markers, folders, required size) without
// starting it.
void PlanUpdate(const std::string& gameFolder, HWND owner);
