// Host error codes.
namespace vx {}
