# Lays out the sample kit (cmake -P). Inputs: KIT_DIR, KIT_SOURCE, KIT_DLL,
# KIT_MARKER, KIT_VERSION. Starts from an empty folder so that stale files
# (a second tag file above all) never linger.

# A compiled expert of our own making: a small header, pseudo-random bytes
# from a fixed seed, the marker and version texts inside. No zero bytes:
# CMake strings cannot hold them.
function(write_blob path seed name)
  set(state ${seed})
  set(bytes "")
  foreach(block RANGE 1 48)
    set(codes "")
    foreach(i RANGE 1 64)
      math(EXPR state "(${state} * 1103515245 + 12345) % 2147483648")
      math(EXPR code "(${state} / 65536) % 255 + 1")
      list(APPEND codes ${code})
    endforeach()
    string(ASCII ${codes} chunk)
    string(APPEND bytes "${chunk}")
    if(block EQUAL 16)
      string(APPEND bytes "|${KIT_MARKER}|")
    elseif(block EQUAL 32)
      string(APPEND bytes "|${KIT_VERSION}|")
    endif()
  endforeach()
  string(ASCII 67 76 88 52 1 2 header)  # "CLX4", format 1.2
  file(WRITE "${path}" "${header}${name}|${bytes}")
endfunction()

file(REMOVE_RECURSE "${KIT_DIR}")

set(provider "${KIT_DIR}/Signal Provider")
set(receiver "${KIT_DIR}/Signal Receiver")
file(MAKE_DIRECTORY "${provider}/experts/libraries" "${provider}/experts/indicators"
     "${provider}/templates" "${receiver}/experts/libraries" "${receiver}/templates")

write_blob("${provider}/experts/_Velmora Signal Provider.ex4" 11 "_Velmora Signal Provider")
write_blob("${provider}/experts/indicators/Copyloom Monitor.ex4" 23 "Copyloom Monitor")
write_blob("${receiver}/experts/_Velmora Signal Receiver.ex4" 37 "_Velmora Signal Receiver")

file(COPY_FILE "${KIT_DLL}" "${provider}/experts/libraries/vlcpy.dll")
file(COPY_FILE "${KIT_DLL}" "${receiver}/experts/libraries/vlcpy.dll")
file(COPY_FILE "${KIT_SOURCE}/provider.tpl" "${provider}/templates/Copyloom Provider.tpl")
file(COPY_FILE "${KIT_SOURCE}/receiver.tpl" "${receiver}/templates/Copyloom Receiver.tpl")
file(COPY_FILE "${KIT_SOURCE}/vlcpy.sin" "${KIT_DIR}/vlcpy.sin")
string(REPLACE "." "" version_digits "${KIT_VERSION}")
file(WRITE "${KIT_DIR}/vlcpy${version_digits}.tag" "${KIT_VERSION}\r\n")

# Each package's manifest (the format of src/install/kit_manifest.h: the
# plain files of the six package sub-folders, sorted by their UTF-8 bytes),
# signed with the build's test key when it has one (cmake/kit_keys.cmake).
foreach(side Provider Receiver)
  set(root "${KIT_DIR}/Signal ${side}")
  string(TOLOWER "${side}" side_name)
  set(entries "")
  foreach(sub config profiles templates experts experts/indicators experts/libraries)
    file(GLOB files LIST_DIRECTORIES false "${root}/${sub}/*")
    foreach(f ${files})
      if(IS_DIRECTORY "${f}")
        continue()
      endif()
      get_filename_component(name "${f}" NAME)
      string(REPLACE "/" "\\" relative "${sub}/${name}")
      file(SIZE "${f}" size)
      file(SHA256 "${f}" digest)
      list(APPEND entries "${relative}\t${size}\t${digest}")
    endforeach()
  endforeach()
  list(SORT entries)
  set(text "copyloom kit manifest 1\nname\tSignal ${side}\nversion\t${KIT_VERSION}\nsides\t${side_name}\n")
  foreach(entry ${entries})
    string(REPLACE "\t" ";" fields "${entry}")
    list(GET fields 0 relative)
    list(GET fields 1 size)
    list(GET fields 2 digest)
    string(APPEND text "file\t${size}\t${digest}\t${relative}\n")
  endforeach()
  file(WRITE "${root}/kit.manifest" "${text}")
  if(KIT_MINISIGN AND KIT_KEY)
    execute_process(COMMAND ${KIT_MINISIGN} -S -W -s "${KIT_KEY}" -m "${root}/kit.manifest"
                            -x "${root}/kit.manifest.minisig"
                            -t "Copyloom sample kit, Signal ${side} ${KIT_VERSION}"
                    OUTPUT_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "minisign could not sign ${root}/kit.manifest")
    endif()
  endif()
endforeach()
