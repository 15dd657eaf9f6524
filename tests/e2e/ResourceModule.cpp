// A module that exists for its resources: the tests load it as a data file.
int main() { return 0; }
