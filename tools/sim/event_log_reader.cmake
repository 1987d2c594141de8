# The reader of quorvix-sim's log, beside its writer: included by this
# folder and by the Wine tests' tree, whose Windows programs read the log
# too (the simulator itself builds only on Linux).
include_guard(GLOBAL)
add_library(quorvix_sim_log_reader STATIC
  ${CMAKE_CURRENT_LIST_DIR}/event_log_reader.cpp)
target_include_directories(quorvix_sim_log_reader PUBLIC ${PROJECT_SOURCE_DIR})
