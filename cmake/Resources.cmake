# suite_embed_resources(target SCRIPT): compiles the resource script SCRIPT (strings, menus,
# icons, bitmaps and typed binary resources per language; the format is described in
# platform/base/tools/ResourceScript.h) into the program or shared library `target`. The module
# registers its resources when it is loaded; FindResourceA, LoadStringA, LoadIconA, LoadMenuA
# and the others find them by the module's handle. The build follows the script and every file
# it names.
function(suite_embed_resources target script)
  get_filename_component(script_path ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.c)
  add_custom_command(
    OUTPUT ${output}
    COMMAND rescomp ${script_path} ${output} ${output}.d
    DEPENDS rescomp ${script_path}
    DEPFILE ${output}.d
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  target_link_libraries(${target} PRIVATE platform_base)
endfunction()
