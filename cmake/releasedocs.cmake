# The Linux package's documents that name releases, made from the release table (cmake/release.cmake) so that a new
# release changes none of them by hand: the Debian changelog, the AppStream metadata's releases and the manual page's
# header. Only releases with a date were packaged; they are listed newest first. The days' names come from date(1).

# kz_format_day(<out> YYYY-MM-DD <date option>): the day (at noon UTC) as date(1) formats it (-R, +FORMAT), in English.
function(kz_format_day out day format)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -d "${day} 12:00" "${format}"
                    OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "date could not read the release day ${day}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# kz_wrap(<out> <text> <first prefix> <next prefix>): the text's words in lines of at most 78 characters.
function(kz_wrap out text first next)
    set(result "")
    set(line "${first}")
    set(prefix "${first}")
    while(NOT text STREQUAL "")
        kz_take(text " " word) # not a list of the words: a note may hold ";"
        if(word STREQUAL "")
            continue()
        endif()
        string(LENGTH "${line} ${word}" length)
        if(NOT line STREQUAL prefix AND length GREATER 78)
            string(APPEND result "${line}\n")
            set(line "${next}")
            set(prefix "${next}")
        endif()
        if(line STREQUAL prefix)
            string(APPEND line "${word}")
        else()
            string(APPEND line " ${word}")
        endif()
    endwhile()
    set(${out} "${result}${line}" PARENT_SCOPE)
endfunction()

set(KZ_CHANGELOG "")
set(KZ_APPSTREAM_RELEASES "")
math(EXPR kz_index "${KZ_RELEASE_COUNT} - 1")
while(kz_index GREATER_EQUAL 0)
    kz_release_entry(${kz_index})
    math(EXPR kz_index "${kz_index} - 1")
    if(kz_date STREQUAL "-")
        continue()
    endif()
    kz_format_day(kz_changelog_date "${kz_date}" -R)
    set(kz_firmware "Firmware ${kz_build} (shown as ${kz_release}).")
    kz_wrap(kz_bullet "${kz_note}" "  * " "    ")
    string(APPEND KZ_CHANGELOG "${KZ_PROGRAM_NAME} (${kz_release}) stable; urgency=medium\n\n  * ${kz_firmware}\n"
           "${kz_bullet}\n\n -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${kz_changelog_date}\n\n")
    set(kz_xml_note "${kz_note}")
    string(REPLACE "&" "&amp;" kz_xml_note "${kz_xml_note}")
    string(REPLACE "<" "&lt;" kz_xml_note "${kz_xml_note}")
    string(REPLACE ">" "&gt;" kz_xml_note "${kz_xml_note}")
    string(APPEND KZ_APPSTREAM_RELEASES "    <release version=\"${kz_release}\" date=\"${kz_date}\">\n"
           "      <description>\n        <p>${kz_firmware} ${kz_xml_note}</p>\n      </description>\n    </release>\n")
endwhile()
string(STRIP "${KZ_CHANGELOG}" KZ_CHANGELOG)
string(STRIP "${KZ_APPSTREAM_RELEASES}" KZ_APPSTREAM_RELEASES)
kz_format_day(KZ_RELEASE_MONTH "${KZ_RELEASE_DATE}" "+%B %Y")

set(KZ_LINUX_DOCS "${CMAKE_CURRENT_BINARY_DIR}/linux")
file(WRITE "${KZ_LINUX_DOCS}/changelog" "${KZ_CHANGELOG}\n")
configure_file("${kz_linux}/example.kivra_zid.update.metainfo.xml.in"
               "${KZ_LINUX_DOCS}/example.kivra_zid.update.metainfo.xml" @ONLY)
configure_file("${kz_linux}/${KZ_PROGRAM_NAME}.1.in" "${KZ_LINUX_DOCS}/${KZ_PROGRAM_NAME}.1" @ONLY)
