# Reads the release table (resources/releases.txt, or KZ_RELEASES) before project(): the release this tree builds
# is its last line. Sets
#   KZ_RELEASE            the release number, "1.2.3" style (the project's version)
#   KZ_IMAGE_VERSION      the carried image's version as the device reports it, "0.1.2" style
#   KZ_IMAGE_FILE         the carried image's file name, and KZ_IMAGE_PATH where it is read from (KZ_FIRMWARE_DIR)
#   KZ_RELEASE_DATE       the day of this release, "YYYY-MM-DD"
#   KZ_RELEASE_LINES      one "release;build;date;note" entry a release, oldest first, "|"-separated
# A malformed table stops the configuration, saying which line.

set(KZ_RELEASES "${CMAKE_CURRENT_LIST_DIR}/../resources/releases.txt"
    CACHE FILEPATH "The release table: one line a release, the last one built")
set(KZ_FIRMWARE_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources/deviceFW/deviceFW"
    CACHE PATH "Where the carried image DUV_KTL407_<version>.bin is read from")
get_filename_component(KZ_RELEASES "${KZ_RELEASES}" ABSOLUTE)
get_filename_component(KZ_FIRMWARE_DIR "${KZ_FIRMWARE_DIR}" ABSOLUTE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KZ_RELEASES}")

set(kz_number "(0|[1-9][0-9]?|1[0-9][0-9]|2[0-4][0-9]|25[0-5])") # what a version field of one byte can hold
set(kz_version "^${kz_number}\\.${kz_number}\\.${kz_number}$")
file(STRINGS "${KZ_RELEASES}" kz_table_lines ENCODING UTF-8)
set(KZ_RELEASE_LINES)
set(kz_seen_builds)
foreach(kz_line IN LISTS kz_table_lines)
    if(kz_line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT kz_line MATCHES "^([^ ]+) ([^ ]+) ([0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]|-) (.+)$")
        message(FATAL_ERROR "${KZ_RELEASES}: not \"<release> <build> <YYYY-MM-DD or -> <note>\": ${kz_line}")
    endif()
    set(kz_release "${CMAKE_MATCH_1}")
    set(kz_build "${CMAKE_MATCH_2}")
    set(kz_date "${CMAKE_MATCH_3}")
    string(REPLACE ";" "," kz_note "${CMAKE_MATCH_4}")
    if(NOT kz_release MATCHES "${kz_version}" OR NOT kz_build MATCHES "${kz_version}")
        message(FATAL_ERROR "${KZ_RELEASES}: versions are three numbers 0 to 255: ${kz_line}")
    endif()
    if(kz_build IN_LIST kz_seen_builds)
        message(FATAL_ERROR "${KZ_RELEASES}: build ${kz_build} is named twice")
    endif()
    list(APPEND kz_seen_builds "${kz_build}")
    list(APPEND KZ_RELEASE_LINES "${kz_release}|${kz_build}|${kz_date}|${kz_note}")
endforeach()
if(NOT KZ_RELEASE_LINES)
    message(FATAL_ERROR "${KZ_RELEASES} names no release")
endif()

list(GET KZ_RELEASE_LINES -1 kz_current)
string(REPLACE "|" ";" kz_current "${kz_current}")
list(GET kz_current 0 KZ_RELEASE)
list(GET kz_current 1 KZ_IMAGE_VERSION)
list(GET kz_current 2 KZ_RELEASE_DATE)
if(KZ_RELEASE_DATE STREQUAL "-")
    message(FATAL_ERROR "${KZ_RELEASES}: the release built (the last line) needs its date")
endif()
set(KZ_IMAGE_FILE "DUV_KTL407_${KZ_IMAGE_VERSION}.bin")
set(KZ_IMAGE_PATH "${KZ_FIRMWARE_DIR}/${KZ_IMAGE_FILE}")
if(NOT EXISTS "${KZ_IMAGE_PATH}")
    message(FATAL_ERROR "The release ${KZ_RELEASE} carries ${KZ_IMAGE_FILE}, which is not in ${KZ_FIRMWARE_DIR}")
endif()
