# Generates the module-definition files of a DLL from its export list
# (lines "Name Ordinal ArgBytes [NONAME]", '#' starts a comment):
#   <out>/<lib>.def          the linker's file (undecorated names at their ordinals)
#   <out>/<lib>.implib.def   dlltool's file for the import library
#   <out>/<lib>_exports.inc  { "Name", ordinal, noname } rows for tests
# On i686 the __stdcall symbols are decorated (_Name@N): the linker file maps
# the undecorated export to the decorated symbol, and dlltool -k builds an
# import library that carries the decorated names 32-bit callers link with.
function(w32k_generate_defs list_file lib_name out_dir)
  file(STRINGS "${list_file}" lines)
  set(link_def "LIBRARY ${lib_name}.dll\nEXPORTS\n")
  set(implib_def "LIBRARY ${lib_name}.dll\nEXPORTS\n")
  set(inc "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(LENGTH fields n)
    if(n LESS 3)
      message(FATAL_ERROR "${list_file}: malformed export line '${line}'")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 ordinal)
    list(GET fields 2 argbytes)
    set(noname "")
    set(noname_flag 0)
    if(n GREATER 3)
      list(GET fields 3 flag)
      if(flag STREQUAL "NONAME")
        set(noname " NONAME")
        set(noname_flag 1)
      endif()
    endif()
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      if(noname_flag)
        string(APPEND link_def "  ${name}@${argbytes} @${ordinal}${noname}\n")
      else()
        string(APPEND link_def "  ${name}=${name}@${argbytes} @${ordinal}\n")
      endif()
      string(APPEND implib_def "  ${name}@${argbytes} @${ordinal}${noname}\n")
    else()
      string(APPEND link_def "  ${name} @${ordinal}${noname}\n")
      string(APPEND implib_def "  ${name} @${ordinal}${noname}\n")
    endif()
    string(APPEND inc "{ \"${name}\", ${ordinal}, ${noname_flag} },\n")
  endforeach()
  file(CONFIGURE OUTPUT "${out_dir}/${lib_name}.def" CONTENT "${link_def}" @ONLY)
  file(CONFIGURE OUTPUT "${out_dir}/${lib_name}.implib.def" CONTENT "${implib_def}" @ONLY)
  file(CONFIGURE OUTPUT "${out_dir}/${lib_name}_exports.inc" CONTENT "${inc}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list_file}")
endfunction()

# Replaces the import library of a DLL target with one dlltool builds from
# the generated implib definition (see above).
function(w32k_use_dlltool_import_library target lib_name def_dir)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${W32K_DLLTOOL} -k -d "${def_dir}/${lib_name}.implib.def"
            -D ${lib_name}.dll -l "$<TARGET_LINKER_FILE:${target}>"
    VERBATIM)
endfunction()
