# Cross compilation for 64-bit Windows: the same sources as the product, for machines whose kernel runs
# only 64-bit programs (Wine's 64-bit loader).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
