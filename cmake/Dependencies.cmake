# Third-party packages, all from Debian (scripts/setup.sh installs them).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
pkg_check_modules(ODBC REQUIRED IMPORTED_TARGET odbc)
# The ODBC configuration (odbc.ini) as the driver manager reads it.
pkg_check_modules(ODBCINST REQUIRED IMPORTED_TARGET odbcinst)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
# The toolkit under wxWidgets, for what wxWidgets does not reach (accessibility).
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)

# wxWidgets as one imported target, its headers as system headers so that
# our warning flags apply to our code only.
add_library(sto_wx INTERFACE)
target_include_directories(sto_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(sto_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(sto_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(sto_wx INTERFACE ${wxWidgets_LIBRARIES})
