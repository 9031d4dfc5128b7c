# Installer engine and copy job.
quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/InstallEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyJob.cpp
)
