#include "ArrayLoops.h"

#include <algorithm>

CArrayLayout CArrayLayout::Of(const py::array& array) {
  CArrayLayout layout;
  layout.data = static_cast<char*>(const_cast<void*>(array.data()));
  layout.shape.assign(array.shape(), array.shape() + array.ndim());
  layout.strides.assign(array.strides(), array.strides() + array.ndim());
  layout.size = static_cast<std::size_t>(array.size());
  return layout;
}

bool CArrayLayout::IsContiguous(std::size_t itemSize) const {
  py::ssize_t expected = static_cast<py::ssize_t>(itemSize);
  for (std::size_t d = shape.size(); d-- > 0;) {
    if (shape[d] != 1 && strides[d] != expected) {
      return false;
    }
    expected *= shape[d];
  }
  return true;
}

namespace {

std::string TypeNameOf(const py::handle& x) {
  if (py::isinstance<py::array>(x)) {
    return "a " + py::str(py::reinterpret_borrow<py::array>(x).dtype()).cast<std::string>() +
           " array";
  }
  return py::str(py::type::handle_of(x).attr("__name__")).cast<std::string>();
}

}  // namespace

py::array Float64Array(const py::handle& x, const char* what) {
  if (!py::isinstance<py::array>(x) ||
      !py::reinterpret_borrow<py::array>(x).dtype().is(py::dtype::of<double>())) {
    throw py::type_error(std::string(what) + " takes a float64 NumPy array or a float, not " +
                         TypeNameOf(x));
  }
  return py::reinterpret_borrow<py::array>(x);
}

py::array CheckedOut(const py::handle& out, const py::array& like, const char* what) {
  if (!py::isinstance<py::array>(out) ||
      !py::reinterpret_borrow<py::array>(out).dtype().is(py::dtype::of<double>())) {
    throw py::type_error(std::string(what) + ": out= must be a float64 NumPy array, not " +
                         TypeNameOf(out));
  }
  auto array = py::reinterpret_borrow<py::array>(out);
  const bool sameShape = array.ndim() == like.ndim() &&
                         std::equal(like.shape(), like.shape() + like.ndim(), array.shape());
  if (!sameShape) {
    throw py::value_error(std::string(what) + ": out= must have the shape of the input");
  }
  if (!array.writeable()) {
    throw py::value_error(std::string(what) + ": out= is read-only");
  }
  // Overlap is allowed only as the very same elements (in place).
  const bool sameElements =
      array.data() == like.data() &&
      std::equal(like.strides(), like.strides() + like.ndim(), array.strides());
  if (!sameElements &&
      py::module_::import("numpy").attr("shares_memory")(array, like).cast<bool>()) {
    throw py::value_error(std::string(what) +
                          ": out= overlaps the input without being the same elements");
  }
  return array;
}

std::string IndexText(const CArrayLayout& layout, std::size_t flatIndex) {
  if (layout.shape.size() <= 1) {
    return std::to_string(flatIndex);
  }
  std::vector<std::size_t> index(layout.shape.size());
  for (std::size_t d = layout.shape.size(); d-- > 0;) {
    const auto extent = static_cast<std::size_t>(layout.shape[d]);
    index[d] = flatIndex % extent;
    flatIndex /= extent;
  }
  std::string text = "(";
  for (std::size_t d = 0; d < index.size(); ++d) {
    text += (d ? ", " : "") + std::to_string(index[d]);
  }
  return text + ")";
}
