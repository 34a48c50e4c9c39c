# The Debian package of the program, made by `cpack -G DEB` in the build folder (or by
# tools/make-package from a clean one).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME loadgen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orlavin")
set(CPACK_PACKAGE_CONTACT "loadgen developers <loadgen@orlavin.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://orlavin.example/")
# Debian's control field: the summary, then the long description in lines of less than 80
# characters, which CPack indents.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[turns load peaks into an evenly divided loading process
Loading process generation is a desktop tool for laboratory and simulation
engineers. It imports a text file of load peaks, one value per line, and
inserts evenly spaced values between neighbouring peaks at a division spacing
the user types, at most 500 steps per pair. It shows the peaks and the
generated loading process as two line charts that zoom and scroll, and exports
the process as a text file with one value per line.
.
The same program generates the process from the command line, without a
display, for scripts and build pipelines, and draws both charts into a PNG or
SVG picture for test reports.]])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the fonts are asked for by name at run time: the
# Wine fonts' Tahoma stands in for the window's desktop font, Liberation Sans for the Arial
# of the chart labels.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fonts-liberation")
set(CPACK_STRIP_FILES ON)

include(CPack)
