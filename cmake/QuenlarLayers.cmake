# The SDK's layers: one static library each, linked explicitly to the layers
# right below it, as SFML links one target per module.
#
#   quenlar_layer(NAME FILES file... [CHECK_ONLY file...] [DEPENDS layer...])
#
# FILES are the layer's headers and sources under sdk/ (relative to it); its
# .cpp files build the library quenlar_NAME (a layer without any is an
# interface library). CHECK_ONLY files belong to the layer without being
# built here (the other processors' platform code). Layers are declared from
# the bottom up, so every layer in DEPENDS already exists.
#
# Two checks keep the layers honest:
#   - quenlar_layer_link_checks() links every layer whole, with only the
#     layers below it: a call upwards is an undefined reference at build time.
#   - quenlar_layer_table() writes the table that the `layers.IncludesGoDown`
#     test (cmake/CheckLayers.cmake) compares every include line against.
#
# QUENLAR_LAYER_EXCEPTIONS lists known upward edges as "file:header" (both
# relative to sdk/); quenlar_layer_exceptions() links them, and both checks
# let exactly these pass.

set(QUENLAR_LAYERS "")

function(quenlar_layer name)
    cmake_parse_arguments(L "" "" "FILES;CHECK_ONLY;DEPENDS" ${ARGN})
    set(reaches ${name})
    set(links "")
    foreach(dep ${L_DEPENDS})
        if(NOT dep IN_LIST QUENLAR_LAYERS)
            message(FATAL_ERROR "layer ${name}: ${dep} must be declared before it")
        endif()
        list(APPEND reaches ${QUENLAR_LAYER_${dep}_REACHES})
        list(APPEND links quenlar_${dep})
    endforeach()
    list(REMOVE_DUPLICATES reaches)

    set(sources ${L_FILES})
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(TRANSFORM sources PREPEND ${PROJECT_SOURCE_DIR}/sdk/)
    if(sources)
        add_library(quenlar_${name} STATIC ${sources})
        target_link_libraries(quenlar_${name} PUBLIC quenlar_common ${links})
    else()
        add_library(quenlar_${name} INTERFACE)
        target_link_libraries(quenlar_${name} INTERFACE quenlar_common ${links})
    endif()

    set(QUENLAR_LAYERS ${QUENLAR_LAYERS} ${name} PARENT_SCOPE)
    set(QUENLAR_LAYER_${name}_FILES ${L_FILES} ${L_CHECK_ONLY} PARENT_SCOPE)
    set(QUENLAR_LAYER_${name}_REACHES ${reaches} PARENT_SCOPE)
    set(QUENLAR_LAYER_${name}_LINKS ${links} PARENT_SCOPE)
    set(QUENLAR_LAYER_${name}_BUILT ${sources} PARENT_SCOPE)
endfunction()

# The layer a file (relative to sdk/) belongs to, or "" in `out`.
function(quenlar_layer_of file out)
    foreach(layer ${QUENLAR_LAYERS})
        if(file IN_LIST QUENLAR_LAYER_${layer}_FILES)
            set(${out} ${layer} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${out} "" PARENT_SCOPE)
endfunction()

# Links each layer with the layers its known upward edges reach
# (QUENLAR_LAYER_EXCEPTIONS), so that programs link and the link checks
# pass for exactly these.
function(quenlar_layer_exceptions)
    foreach(exception ${QUENLAR_LAYER_EXCEPTIONS})
        string(REPLACE ":" ";" edge ${exception})
        list(GET edge 0 from)
        list(GET edge 1 to)
        quenlar_layer_of(${from} from_layer)
        quenlar_layer_of(${to} to_layer)
        if(NOT from_layer OR NOT to_layer)
            message(FATAL_ERROR "layer exception ${exception}: a file in no layer")
        endif()
        target_link_libraries(quenlar_${from_layer} PUBLIC quenlar_${to_layer})
    endforeach()
endfunction()

# One program per built layer that links the layer's whole archive and
# nothing above it; building it is the check.
function(quenlar_layer_link_checks)
    foreach(layer ${QUENLAR_LAYERS})
        if(NOT QUENLAR_LAYER_${layer}_BUILT)
            continue()
        endif()
        add_executable(layer_link_${layer} ${PROJECT_SOURCE_DIR}/cmake/layer_link_main.cpp)
        add_dependencies(layer_link_${layer} quenlar_${layer})
        target_link_libraries(layer_link_${layer} PRIVATE
            -Wl,--whole-archive $<TARGET_FILE:quenlar_${layer}> -Wl,--no-whole-archive
            quenlar_${layer})
        set_target_properties(layer_link_${layer} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/layer-checks)
    endforeach()
endfunction()

# Writes `path`, the table the include check reads.
function(quenlar_layer_table path)
    set(text "# Written by CMake from the layer declarations; read by CheckLayers.cmake.\n")
    string(APPEND text "set(QUENLAR_SDK_DIR \"${PROJECT_SOURCE_DIR}/sdk\")\n")
    string(APPEND text "set(QUENLAR_LAYERS \"${QUENLAR_LAYERS}\")\n")
    string(APPEND text "set(QUENLAR_LAYER_EXCEPTIONS \"${QUENLAR_LAYER_EXCEPTIONS}\")\n")
    foreach(layer ${QUENLAR_LAYERS})
        string(APPEND text "set(QUENLAR_LAYER_${layer}_FILES \"${QUENLAR_LAYER_${layer}_FILES}\")\n")
        string(APPEND text
               "set(QUENLAR_LAYER_${layer}_REACHES \"${QUENLAR_LAYER_${layer}_REACHES}\")\n")
    endforeach()
    file(WRITE ${path} "${text}")
endfunction()

# The files of sdk/`folder` matching `patterns` (e.g. *.h *.cpp), relative
# to sdk/, in `out`.
function(quenlar_glob out folder)
    set(globs "")
    foreach(pattern ${ARGN})
        list(APPEND globs ${PROJECT_SOURCE_DIR}/sdk/${folder}/${pattern})
    endforeach()
    file(GLOB files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/sdk ${globs})
    set(${out} ${files} PARENT_SCOPE)
endfunction()
