# The libraries around the plug-in (host, documents, command), found once for
# every folder as Evenhue::lcms2, pugixml::pugixml and nlohmann_json::nlohmann_json.
# Natively they are Debian's packages. The WebAssembly and Windows builds
# compile the same Debian sources with their own compilers: scripts/web-sources
# unpacks them.

if(EMSCRIPTEN OR WIN32)
  set(EVENHUE_WEB_SOURCES ${PROJECT_SOURCE_DIR}/build/sources CACHE PATH
      "Unpacked Debian sources of pugixml and Little CMS (scripts/web-sources)")
  foreach(package IN ITEMS pugixml lcms2)
    file(GLOB dir LIST_DIRECTORIES true ${EVENHUE_WEB_SOURCES}/${package}-*)
    if(NOT dir)
      message(FATAL_ERROR "No ${package} source in ${EVENHUE_WEB_SOURCES}: run scripts/web-sources")
    endif()
    set(${package}_source ${dir})
  endforeach()

  add_library(evenhue_pugixml STATIC ${pugixml_source}/src/pugixml.cpp)
  target_include_directories(evenhue_pugixml SYSTEM PUBLIC ${pugixml_source}/src)
  add_library(pugixml::pugixml ALIAS evenhue_pugixml)

  file(GLOB lcms2_sources ${lcms2_source}/src/*.c)
  add_library(evenhue_lcms2 STATIC ${lcms2_sources})
  target_include_directories(evenhue_lcms2 SYSTEM PUBLIC ${lcms2_source}/include)
  target_compile_options(evenhue_lcms2 PRIVATE -w)  # not our code
  add_library(Evenhue::lcms2 ALIAS evenhue_lcms2)

  # Header-only: its own folder, so that no other host header comes along.
  find_path(EVENHUE_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(json_include ${CMAKE_BINARY_DIR}/include)
  file(MAKE_DIRECTORY ${json_include})
  file(CREATE_LINK ${EVENHUE_NLOHMANN_INCLUDE}/nlohmann ${json_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${json_include})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(EVENHUE_LCMS2 REQUIRED IMPORTED_TARGET GLOBAL lcms2)
  add_library(Evenhue::lcms2 ALIAS PkgConfig::EVENHUE_LCMS2)
  find_package(pugixml REQUIRED)
  find_package(nlohmann_json REQUIRED)
endif()
