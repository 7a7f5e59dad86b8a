# Compressed logs: gzip, bzip2, xz and zstd through zlib, libbz2, liblzma and
# libzstd (Debian: zlib1g-dev libbz2-dev liblzma-dev libzstd-dev). Without all
# four, or with SIRVANE_COMPRESSION=OFF, sirvane still builds and reads every
# log as it is.
function(sirvane_use_compression target)
  if(NOT SIRVANE_COMPRESSION)
    target_compile_definitions(${target} PUBLIC SIRVANE_WITH_COMPRESSION=0)
    return()
  endif()
  find_package(ZLIB)
  find_package(BZip2)
  find_package(LibLZMA)
  find_path(ZSTD_INCLUDE_DIR zstd.h)
  find_library(ZSTD_LIBRARY zstd)
  if(ZLIB_FOUND AND BZIP2_FOUND AND LIBLZMA_FOUND AND ZSTD_INCLUDE_DIR AND ZSTD_LIBRARY)
    target_compile_definitions(${target} PUBLIC SIRVANE_WITH_COMPRESSION=1)
    target_include_directories(${target} PUBLIC ${ZSTD_INCLUDE_DIR})
    target_link_libraries(${target} PUBLIC ZLIB::ZLIB BZip2::BZip2 LibLZMA::LibLZMA ${ZSTD_LIBRARY})
    # ISA-L inflates gzip several times as fast as zlib (Debian: libisal-dev);
    # without it zlib does.
    find_path(ISAL_INCLUDE_DIR isa-l/igzip_lib.h)
    find_library(ISAL_LIBRARY isal)
    if(SIRVANE_ISAL AND ISAL_INCLUDE_DIR AND ISAL_LIBRARY)
      target_compile_definitions(${target} PUBLIC SIRVANE_WITH_ISAL=1)
      target_include_directories(${target} PUBLIC ${ISAL_INCLUDE_DIR})
      target_link_libraries(${target} PUBLIC ${ISAL_LIBRARY})
    else()
      target_compile_definitions(${target} PUBLIC SIRVANE_WITH_ISAL=0)
    endif()
  else()
    message(WARNING "zlib, libbz2, liblzma or libzstd not found: compressed logs will be read as they are. "
                    "On Debian: apt-get install zlib1g-dev libbz2-dev liblzma-dev libzstd-dev")
    target_compile_definitions(${target} PUBLIC SIRVANE_WITH_COMPRESSION=0)
  endif()
endfunction()
