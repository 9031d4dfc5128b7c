#pragma once
// Undoing installations from an uninstall record (format: UninstallRecord.h).
#include <string>

// Results of Uninstall.
const int kUninstallDone = 1;
const int kUninstallUnreadable = 0;
const int kUninstallFormatError = -1;
const int kUninstallNotInstalled = -2;

// For each record in turn: looks the product up (App Paths), deletes the
// record's files and removes its folders (relative paths below the product's
// folder). Then, when every record was complete, removes each product's App
// Paths and Uninstall entries, deletes the record file and removes each
// product folder that is empty. A missing product (-2) or a format error (-1)
// stops at once: what earlier records deleted stays deleted, nothing is
// unregistered and the record file stays. 0 when the file cannot be read.
int Uninstall(const std::string& recordPath);
