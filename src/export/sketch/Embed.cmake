# Writes OUTPUT, a C++ file that holds each of the AVR source files NAMES (in SOURCE_DIR) as a
# string_view named after it, so the program writes the sketch from the same files the tests
# compile. Run at build time: cmake -DSOURCE_DIR=... -DOUTPUT=... -DNAMES="a.h;b.ino" -P Embed.cmake
set(text "// Written by Embed.cmake from src/export/sketch; edit those files instead.\n")
string(APPEND text "#include \"export/SketchSources.h\"\n\nnamespace wtb::sketch_source {\n\n")
foreach(name IN LISTS NAMES)
    file(READ "${SOURCE_DIR}/${name}" content)
    string(FIND "${content}" ")avr\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${name} holds the text that ends the string it is embedded in")
    endif()
    string(MAKE_C_IDENTIFIER "${name}" identifier)
    string(APPEND text "const std::string_view ${identifier} = R\"avr(${content})avr\";\n\n")
endforeach()
string(APPEND text "} // namespace wtb::sketch_source\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
