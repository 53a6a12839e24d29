# Checks that includes run down the layers only: engine <- effects <- tools <- platform (the
# program entry and the tests sit above them all). A file of a lower layer that includes a header
# of a higher one, or a library the layer does not link, fails the check with the file and line.
#
#   cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake
#
# The build runs it before compiling the libraries; a test runs it on the tree and on a tree
# with a wrong include, which must fail.

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayers: set SOURCE_DIR")
endif()

# Project headers each layer may include, by top-level folder.
set(allowed_engine engine)
set(allowed_effects engine effects)
set(allowed_tools engine effects tools)
set(allowed_platform engine effects tools platform)

# System headers of libraries a layer does not link (regular expressions on the include name).
set(gl_headers "^(GL|GLES[0-9]*|EGL)/")
set(window_headers "^(SDL[0-9]*/|SDL[_.a-z0-9]*\\.h$)|^X11/|^wayland")
set(audio_headers "^(AL/|mpg123\\.h$|sndfile)")
set(json_headers "^nlohmann/")
set(ui_headers "^imgui|^png\\.h$")
set(denied_engine "${gl_headers}|${window_headers}|${audio_headers}|${json_headers}|${ui_headers}")
set(denied_effects "${window_headers}|${audio_headers}|${json_headers}|${ui_headers}")
set(denied_tools "${window_headers}|${audio_headers}|${ui_headers}|^EGL/")

set(violations "")
foreach(layer engine effects tools platform)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(source ${sources})
        file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        foreach(line ${lines})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" name
                   "${line}")
            string(REGEX MATCH "^[^/]+" top "${name}")
            if(name MATCHES "/" AND top MATCHES "^(engine|effects|tools|platform)$")
                list(FIND allowed_${layer} "${top}" index)
                if(index EQUAL -1)
                    string(APPEND violations
                           "  ${shown}: ${layer} includes ${name} from the higher layer ${top}\n")
                endif()
            elseif(DEFINED denied_${layer} AND name MATCHES "${denied_${layer}}")
                string(APPEND violations
                       "  ${shown}: ${layer} includes ${name}, a library it does not link\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes that run up the layers (engine <- effects <- tools <- "
                        "platform):\n${violations}")
endif()
