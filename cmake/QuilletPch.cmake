# Precompiled headers for the heavy targets: the libraries made of widgets and the tests read
# the same Qt (and GoogleTest) headers in every source file, a few seconds each. Each kind of
# target compiles them once, in a small donor library, and the targets reuse its result.
#
# GCC takes a precompiled header only when the macros it saw are defined alike, so a donor
# links what its users link; headers that read per-target macros (QTest reads the test's build
# folder) stay out. CMake adds -Winvalid-pch, so a header GCC had to refuse shows as a warning.
option(QUILLET_PCH "Precompile Qt's headers for the widget libraries and the tests" ON)

set(QUILLET_PCH_CORE <QByteArray> <QDir> <QFile> <QFileInfo> <QHash> <QString> <QStringList>
  <memory> <vector>)
set(QUILLET_PCH_WIDGETS ${QUILLET_PCH_CORE} <QApplication> <QComboBox> <QFontMetrics>
  <QHeaderView> <QKeyEvent> <QLineEdit> <QMouseEvent> <QPainter> <QPushButton> <QScrollBar>
  <QWidget>)
set(QUILLET_PCH_TESTS <QTemporaryDir> <gmock/gmock.h> <gtest/gtest.h>)

# quillet_pch_donor(<name> HEADERS <headers...> LIBS <libs...>)
function(quillet_pch_donor name)
  cmake_parse_arguments(D "" "" "HEADERS;LIBS" ${ARGN})
  set(source ${PROJECT_BINARY_DIR}/${name}.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// The precompiled headers' donor: no code of its own.\n")
  endif()
  add_library(${name} STATIC EXCLUDE_FROM_ALL ${source})
  target_link_libraries(${name} PRIVATE ${D_LIBS})
  target_precompile_headers(${name} PRIVATE ${D_HEADERS})
endfunction()

if(QUILLET_PCH)
  quillet_pch_donor(quillet_pch_widgets HEADERS ${QUILLET_PCH_WIDGETS} LIBS Qt6::Widgets)
  quillet_pch_donor(quillet_pch_tests_core
    HEADERS ${QUILLET_PCH_CORE} ${QUILLET_PCH_TESTS} LIBS Qt6::Core GTest::gtest GTest::gmock)
  quillet_pch_donor(quillet_pch_tests_gui
    HEADERS ${QUILLET_PCH_WIDGETS} ${QUILLET_PCH_TESTS} LIBS Qt6::Widgets GTest::gtest GTest::gmock)
endif()

# quillet_use_pch(<target> <donor>): the target reads its Qt headers from the donor's.
function(quillet_use_pch target donor)
  if(QUILLET_PCH)
    target_precompile_headers(${target} REUSE_FROM ${donor})
  endif()
endfunction()
