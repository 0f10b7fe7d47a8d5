# Fills OUT_DIR/<target>/ with seeds: the generated sample data from DATA_DIR and the
# hand-made cases in HAND_DIR/<target>/. A shape seed is the shape file, the line
# "%%cols.fcd" and the colour table, as the shape target splits its input.
file(REMOVE_RECURSE ${OUT_DIR})
foreach(target fst_shape vector_data position_file image_decode matches_file colmap_model)
  file(MAKE_DIRECTORY ${OUT_DIR}/${target})
  file(GLOB hand ${HAND_DIR}/${target}/*)
  if(hand)
    file(COPY ${hand} DESTINATION ${OUT_DIR}/${target})
  endif()
endforeach()

file(READ ${DATA_DIR}/cols.fcd colours)
foreach(shape sphere100 sphere1K demo)
  file(READ ${DATA_DIR}/${shape}.fsd text)
  file(WRITE ${OUT_DIR}/fst_shape/${shape} "${text}%%cols.fcd\n${colours}")
endforeach()
file(COPY ${DATA_DIR}/demo.dtx DESTINATION ${OUT_DIR}/vector_data)
file(COPY ${DATA_DIR}/position.txt DESTINATION ${OUT_DIR}/position_file)
file(COPY ${DATA_DIR}/plane.png DESTINATION ${OUT_DIR}/image_decode)
