namespace vx {}
