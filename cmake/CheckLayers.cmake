# Checks that every file of sdk/ belongs to a layer and includes SDK headers
# only as <quenlar/...> and only from its own layer or the layers below it.
#   cmake -DTABLE=<build>/quenlar_layers.cmake -P CheckLayers.cmake
# The table is written by quenlar_layer_table() (cmake/QuenlarLayers.cmake).
cmake_minimum_required(VERSION 3.20)
include(${TABLE})

set(problems 0)
macro(problem text)
    message("${text}")
    math(EXPR problems "${problems} + 1")
endmacro()

foreach(layer ${QUENLAR_LAYERS})
    foreach(file ${QUENLAR_LAYER_${layer}_FILES})
        set(owner_${file} ${layer})
    endforeach()
endforeach()

# sdk/quenlar.h sits above every layer: it is the games' one include.
file(GLOB_RECURSE all RELATIVE ${QUENLAR_SDK_DIR} ${QUENLAR_SDK_DIR}/*.h ${QUENLAR_SDK_DIR}/*.cpp)
list(REMOVE_ITEM all quenlar.h)

foreach(file ${all})
    set(layer ${owner_${file}})
    if(NOT layer)
        problem("sdk/${file}: in no layer (declare its folder in CMakeLists.txt and rerun cmake)")
        continue()
    endif()
    file(STRINGS ${QUENLAR_SDK_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${lines})
        if(line MATCHES "#[ \t]*include[ \t]*\"")
            problem("sdk/${file}: `${line}`: SDK headers are included as <quenlar/...>")
        elseif(line MATCHES "<quenlar/([^>]+)>")
            set(header ${CMAKE_MATCH_1})
            set(target ${owner_${header}})
            set(edge "${file}:${header}")
            if(NOT target)
                problem("sdk/${file}: includes ${header}, which is in no layer")
            elseif(NOT target IN_LIST QUENLAR_LAYER_${layer}_REACHES
                   AND NOT edge IN_LIST QUENLAR_LAYER_EXCEPTIONS)
                string(REPLACE ";" " " reaches "${QUENLAR_LAYER_${layer}_REACHES}")
                problem("sdk/${file}: layer ${layer} includes ${header} of layer ${target} (${layer} reaches ${reaches})")
            endif()
        endif()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "${problems} layer violation(s)")
endif()
list(LENGTH all count)
message("layers ok: ${count} files")
