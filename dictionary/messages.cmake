# The Spanish message table of the error reporter (included from this folder's CMakeLists.txt).
add_library(dictionary_messages STATIC
  ${CMAKE_CURRENT_LIST_DIR}/error_messages.cpp
)
target_include_directories(dictionary_messages PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(dictionary_messages PUBLIC platform_classes)

gradebook_test(error_messages_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/error_messages_test.cpp
  LIBS dictionary_messages)
