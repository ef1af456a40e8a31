# fw_glob(VAR dir...): the .cpp files directly in each directory (relative to the project's
# source folder), re-globbed at build time.
function(fw_glob var)
  set(files)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${Farewander_SOURCE_DIR}/${dir}/*.cpp ${Farewander_SOURCE_DIR}/${dir}/*.c)
    list(APPEND files ${found})
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# fw_library(NAME TYPE dirs... [LINKS libs...]): a library of the directories' sources; an empty
# set of sources gives an interface library, so later directories can fill it in.
function(fw_library name type)
  cmake_parse_arguments(A "" "" "DIRS;LINKS" ${ARGN})
  fw_glob(srcs ${A_DIRS})
  if(srcs)
    add_library(${name} ${type} ${srcs})
    target_include_directories(${name} PUBLIC ${Farewander_SOURCE_DIR})
    target_compile_features(${name} PUBLIC cxx_std_20)
    target_link_libraries(${name} PUBLIC ${A_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${Farewander_SOURCE_DIR})
    target_compile_features(${name} INTERFACE cxx_std_20)
    target_link_libraries(${name} INTERFACE ${A_LINKS})
  endif()
endfunction()
