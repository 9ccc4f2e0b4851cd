// Text conversion.
namespace vx {}
