# Linux settings.
find_package(Threads REQUIRED)
set(KORVAN_HEADER_ONLY_DIR "")
