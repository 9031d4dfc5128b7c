// Keeps a library target valid when a folder has no sources yet.
