# embed_binary(<target> <symbol> <file>)
# Compiles <file> into <target> as
#   extern const unsigned char <symbol>[];  extern const std::size_t <symbol>_size;
# The one mechanism for every built-in blob (ROM, allophone samples, pictures).
# The bytes are turned into source at build time, so a changed file rebuilds.
function(embed_binary target symbol file)
  get_filename_component(file "${file}" ABSOLUTE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DSYMBOL=${symbol} -DINPUT=${file} -DOUTPUT=${out}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedBinaryScript.cmake"
    DEPENDS "${file}" "${PROJECT_SOURCE_DIR}/cmake/EmbedBinaryScript.cmake"
    COMMENT "Embedding ${file} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
