// Keeps the platform library non-empty until its first layer lands.
