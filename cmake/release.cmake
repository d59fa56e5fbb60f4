# The one reader of the release table (resources/releases.txt, or KZ_RELEASES). A malformed table stops it, saying
# which line.
#
# Included before project(), it sets
#   KZ_RELEASE            the release number, "1.2.3" style (the project's version)
#   KZ_IMAGE_VERSION      the carried image's version as the device reports it, "0.1.2" style
#   KZ_IMAGE_FILE         the carried image's file name, and KZ_IMAGE_PATH where it is read from (KZ_FIRMWARE_DIR)
#   KZ_RELEASE_DATE       the day of this release, "YYYY-MM-DD"
#   KZ_RELEASE_COUNT      how many releases the table names; kz_release_entry(<index>) gives one of them, 0 the oldest
#
# Run as a script, `cmake [-DKZ_RELEASES=FILE] -P cmake/release.cmake`, it prints the table for the project's scripts:
# one release a line, oldest first, its number, build, date (- where no package of it was made) and note separated by
# tabs. The note is printed as written, whatever it holds ("|" and ";" among it).

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    cmake_minimum_required(VERSION 3.16) # the project's policies, IN_LIST among them
    if(NOT DEFINED KZ_RELEASES)
        set(KZ_RELEASES "${CMAKE_CURRENT_LIST_DIR}/../resources/releases.txt")
    endif()
else()
    set(KZ_RELEASES "${CMAKE_CURRENT_LIST_DIR}/../resources/releases.txt"
        CACHE FILEPATH "The release table: one line a release, the last one built")
    set(KZ_FIRMWARE_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources/deviceFW/deviceFW"
        CACHE PATH "Where the carried image DUV_KTL407_<version>.bin is read from")
    get_filename_component(KZ_FIRMWARE_DIR "${KZ_FIRMWARE_DIR}" ABSOLUTE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KZ_RELEASES}")
endif()
get_filename_component(KZ_RELEASES "${KZ_RELEASES}" ABSOLUTE)

# The fields of the releases, by index: the numbers, builds and dates hold no ";" and go in lists; a note may hold
# anything, so each is a variable of its own.
set(kz_number "(0|[1-9][0-9]?|1[0-9][0-9]|2[0-4][0-9]|25[0-5])") # what a version field of one byte can hold
set(kz_version "^${kz_number}\\.${kz_number}\\.${kz_number}$")
set(KZ_RELEASE_NUMBERS)
set(KZ_RELEASE_BUILDS)
set(KZ_RELEASE_DATES)
set(KZ_RELEASE_COUNT 0)

# kz_take(<text variable> <separator> <out variable>): moves the text's part before the first separator (all of it
# where there is none) into the out variable, and leaves the text after that separator. The table and its notes are
# cut this way, not made lists: in a list, a ";" would cut a note, and a "[" join it to the lines after.
function(kz_take kz_take_text kz_take_separator kz_take_out) # names no caller's variable shares
    string(FIND "${${kz_take_text}}" "${kz_take_separator}" kz_take_end)
    if(kz_take_end EQUAL -1)
        set(${kz_take_out} "${${kz_take_text}}" PARENT_SCOPE)
        set(${kz_take_text} "" PARENT_SCOPE)
    else()
        string(SUBSTRING "${${kz_take_text}}" 0 ${kz_take_end} kz_take_part)
        string(LENGTH "${kz_take_separator}" kz_take_length)
        math(EXPR kz_take_end "${kz_take_end} + ${kz_take_length}")
        string(SUBSTRING "${${kz_take_text}}" ${kz_take_end} -1 kz_take_rest)
        set(${kz_take_out} "${kz_take_part}" PARENT_SCOPE)
        set(${kz_take_text} "${kz_take_rest}" PARENT_SCOPE)
    endif()
endfunction()

file(READ "${KZ_RELEASES}" kz_table)
while(NOT kz_table STREQUAL "")
    kz_take(kz_table "\n" kz_line)
    if(kz_line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT kz_line MATCHES "^([^ ]+) ([^ ]+) ([0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]|-) (.+)$")
        message(FATAL_ERROR "${KZ_RELEASES}: not \"<release> <build> <YYYY-MM-DD or -> <note>\": ${kz_line}")
    endif()
    set(kz_release "${CMAKE_MATCH_1}")
    set(kz_build "${CMAKE_MATCH_2}")
    set(kz_date "${CMAKE_MATCH_3}")
    set(KZ_RELEASE_NOTE_${KZ_RELEASE_COUNT} "${CMAKE_MATCH_4}")
    if(NOT kz_release MATCHES "${kz_version}" OR NOT kz_build MATCHES "${kz_version}")
        message(FATAL_ERROR "${KZ_RELEASES}: versions are three numbers 0 to 255: ${kz_line}")
    endif()
    if(kz_build IN_LIST KZ_RELEASE_BUILDS)
        message(FATAL_ERROR "${KZ_RELEASES}: build ${kz_build} is named twice")
    endif()
    list(APPEND KZ_RELEASE_NUMBERS "${kz_release}")
    list(APPEND KZ_RELEASE_BUILDS "${kz_build}")
    list(APPEND KZ_RELEASE_DATES "${kz_date}")
    math(EXPR KZ_RELEASE_COUNT "${KZ_RELEASE_COUNT} + 1")
endwhile()
if(KZ_RELEASE_COUNT EQUAL 0)
    message(FATAL_ERROR "${KZ_RELEASES} names no release")
endif()

# kz_release_entry(<index>): sets kz_release, kz_build, kz_date and kz_note to the fields of that release.
macro(kz_release_entry index)
    list(GET KZ_RELEASE_NUMBERS ${index} kz_release)
    list(GET KZ_RELEASE_BUILDS ${index} kz_build)
    list(GET KZ_RELEASE_DATES ${index} kz_date)
    set(kz_note "${KZ_RELEASE_NOTE_${index}}")
endmacro()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    math(EXPR kz_last "${KZ_RELEASE_COUNT} - 1")
    foreach(kz_index RANGE ${kz_last})
        kz_release_entry(${kz_index})
        # One quoted argument, so that a ";" in the note stays in it; cmake -E echo writes to this script's output.
        execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${kz_release}\t${kz_build}\t${kz_date}\t${kz_note}")
    endforeach()
    return()
endif()

list(GET KZ_RELEASE_NUMBERS -1 KZ_RELEASE)
list(GET KZ_RELEASE_BUILDS -1 KZ_IMAGE_VERSION)
list(GET KZ_RELEASE_DATES -1 KZ_RELEASE_DATE)
if(KZ_RELEASE_DATE STREQUAL "-")
    message(FATAL_ERROR "${KZ_RELEASES}: the release built (the last line) needs its date")
endif()
set(KZ_IMAGE_FILE "DUV_KTL407_${KZ_IMAGE_VERSION}.bin")
set(KZ_IMAGE_PATH "${KZ_FIRMWARE_DIR}/${KZ_IMAGE_FILE}")
if(NOT EXISTS "${KZ_IMAGE_PATH}")
    message(FATAL_ERROR "The release ${KZ_RELEASE} carries ${KZ_IMAGE_FILE}, which is not in ${KZ_FIRMWARE_DIR}")
endif()
