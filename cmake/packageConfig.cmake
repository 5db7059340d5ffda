# The markup document library (updater::markup) and whole-file text reading and writing in
# many encodings (updater::textfile, which brings updater::markup along).
include(${CMAKE_CURRENT_LIST_DIR}/updaterTargets.cmake)
