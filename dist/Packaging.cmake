# The Debian package: `cpack -G DEB` in the build folder. Its dependencies are found by
# dpkg-shlibdeps from the libraries the program links, never listed by hand.
set(WTB_HOMEPAGE "https://brimtock.example/wavetable-builder"
    CACHE STRING "The program's web page; the metainfo's screenshot lies under it")
set(WTB_PACKAGE_MAINTAINER "Brimtock Wavetable Builder developers"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimtock-wavetable-builder)
set(CPACK_PACKAGE_VENDOR Brimtock)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turn sixteen short sounds into a wavetable sketch for AVR microcontrollers")
set(CPACK_PACKAGE_DESCRIPTION
    "Brimtock Wavetable Builder keeps sixteen numbered slots of short 8-bit sounds and writes them
all as one sketch source file for an AVR microcontroller (Arduino Uno class): a program-memory
sample table, a table of start offsets and two accessor functions. Import WAV files, see and
hear them, trim each to a zero crossing and export the sketch, from its window or its command
line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${WTB_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${WTB_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Building and uploading to a board from the tool; everything else works without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "arduino-builder, arduino-core-avr, avrdude")
# The package's folders are 0755 whatever the umask of the one who builds it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
